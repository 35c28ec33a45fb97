#include "platform/qt/lists.h"

#include "pictures/file_names.h"

#include <QCollator>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

namespace plenarvo::controls {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

QString cleanFolder(const QString& folder) {
    QString clean = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    if (clean.isEmpty()) {
        return clean;
    }
    if (QDir::isRelativePath(clean)) {
        clean = QDir::cleanPath(QDir::current().absoluteFilePath(clean));
    }
    return clean;
}

bool checkFolder(const QString& folder, QString* error) {
    const QFileInfo info(folder);
    QString problem;
    if (folder.isEmpty()) {
        problem = QStringLiteral("No folder was given.");
    } else if (pictures::holdsUndecodedBytes(folder)) {
        // Qt's file classes would take another folder for it.
        problem = QStringLiteral("The name of the folder %1 is not valid text.")
                      .arg(QDir::toNativeSeparators(pictures::shownFileName(folder)));
    } else if (!info.exists()) {
        problem =
            QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(folder));
    } else if (!info.isDir()) {
        problem = QStringLiteral("%1 is not a folder.").arg(QDir::toNativeSeparators(folder));
    } else if (!info.isReadable() || !info.isExecutable()) {
        problem =
            QStringLiteral("The folder %1 cannot be read.").arg(QDir::toNativeSeparators(folder));
    }
    if (!problem.isEmpty() && error) {
        *error = problem;
    }
    return problem.isEmpty();
}

void sortByName(QStringList& names) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
}

// Keys that only move the focus on, or only press a modifier, pass a refusal:
// they change nothing in the list.
bool changesNothing(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            return true;
        default:
            return false;
    }
}

bool refused(const RefuseInput& refuse, QEvent* event) {
    if (refuse && refuse()) {
        event->accept();
        return true;
    }
    return false;
}

}  // namespace

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

DriveList::DriveList(platform::Drives& drives, QWidget* parent)
    : QComboBox(parent), drives_(drives) {
    refresh();
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index == current_) {
            return;  // picking the drive already shown changes nothing
        }
        current_ = index;
        if (onChange) {
            onChange();
        }
    });
}

void DriveList::refresh() {
    const QString shown = drive();
    const bool firstRead = list_.isEmpty();
    QList<platform::Drive> now = drives_.list();
    const auto same = [](const platform::Drive& a, const platform::Drive& b) {
        return a.root == b.root && a.label == b.label;
    };
    if (!firstRead && std::equal(now.begin(), now.end(), list_.begin(), list_.end(), same)) {
        return;  // nothing came or went: the entries stay as they are
    }
    list_ = std::move(now);
    QSignalBlocker block(this);
    clear();
    for (const auto& d : list_) {
        addItem(d.label);
    }
    current_ = -1;
    for (int i = 0; i < list_.size(); ++i) {
        if (list_[i].root == shown) {
            current_ = i;
        }
    }
    // The first drive when none was shown yet; none when the one shown has gone,
    // so that picking any drive, the root too, opens it.
    if (current_ < 0 && firstRead && !list_.isEmpty()) {
        current_ = 0;
    }
    setCurrentIndex(current_);
}

bool DriveList::isMounted(const QString& root) const {
    const QList<platform::Drive> now = drives_.list();
    return std::any_of(now.begin(), now.end(),
                       [&](const platform::Drive& d) { return d.root == root; });
}

void DriveList::showPopup() {
    refresh();
    QComboBox::showPopup();
}

void DriveList::mousePressEvent(QMouseEvent* event) {
    if (!refused(refuseInput, event)) {
        QComboBox::mousePressEvent(event);
    }
}

void DriveList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!refused(refuseInput, event)) {
        QComboBox::mouseDoubleClickEvent(event);
    }
}

void DriveList::wheelEvent(QWheelEvent* event) {
    if (!refused(refuseInput, event)) {
        QComboBox::wheelEvent(event);
    }
}

void DriveList::keyPressEvent(QKeyEvent* event) {
    if (changesNothing(event) || !refused(refuseInput, event)) {
        QComboBox::keyPressEvent(event);
    }
}

QString DriveList::drive() const {
    if (current_ < 0 || current_ >= list_.size()) {
        return {};
    }
    return list_[current_].root;
}

void DriveList::showDriveOf(const QString& path) {
    // The drive whose root is the longest one that holds the path; none when the
    // path has gone with its volume.
    const QString clean = QDir::cleanPath(path);
    int best = -1;
    for (int i = 0; i < list_.size() && QFileInfo::exists(clean); ++i) {
        const QString& root = list_[i].root;
        const bool holds = clean == root || root == QLatin1String("/") ||
                           clean.startsWith(root + QLatin1Char('/'));
        if (holds && (best < 0 || root.size() > list_[best].root.size())) {
            best = i;
        }
    }
    current_ = best;
    QSignalBlocker block(this);
    setCurrentIndex(best);
}

void DriveList::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    // The focus comes back from the drop-down as it closes, in the middle of a
    // pick: the volumes were read as it opened, and reading them again here
    // would empty the list under the entry being picked.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason) {
        refresh();
    }
    // The focus coming back when a window or a popup closes is not the user's
    // move. Focus from a mouse press or a wheel turn comes with that input,
    // which refuseInput is asked about before it does anything.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        reason == Qt::MouseFocusReason) {
        return;
    }
    if (onGotFocus) {
        onGotFocus();
    }
}

DirList::DirList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirList::openItem);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && onClick) {
            onClick();
        }
    });
}

bool DirList::setPath(const QString& folder, QString* error) {
    const QString clean = cleanFolder(folder);
    if (!checkFolder(clean, error)) {
        return false;
    }
    QDir dir(clean);
    // Only what opens as a folder: a symbolic link counts when it leads to one;
    // pipes, devices and links that lead nowhere, or round in a loop, do not.
    QStringList subfolders;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.fileName().startsWith(u'.')) {
            subfolders.append(entry.fileName());
        }
    }
    sortByName(subfolders);

    path_ = clean;
    {
        QSignalBlocker block(this);
        clear();
        const QIcon openIcon = QFileIconProvider().icon(QFileIconProvider::Folder);
        // The chain of folders from the root down to the open one.
        QStringList chain;
        for (QString p = clean;;) {
            chain.prepend(p);
            const QString parent = QFileInfo(p).path();
            if (parent == p || p == QLatin1String("/")) {
                break;
            }
            p = parent;
        }
        int depth = 0;
        for (const QString& p : chain) {
            const QString name = p == QLatin1String("/") ? p : QFileInfo(p).fileName();
            auto* item = new QListWidgetItem(openIcon, QString(depth * 2, u' ') + name, this);
            item->setData(kPathRole, p);
            ++depth;
        }
        for (const QString& name : subfolders) {
            auto* item = new QListWidgetItem(openIcon, QString(depth * 2, u' ') + name, this);
            item->setData(kPathRole, joinPath(clean, name));
        }
        setCurrentRow(chain.size() - 1);
    }
    if (onChange) {
        onChange();
    }
    return true;
}

void DirList::openItem(QListWidgetItem* item) {
    if (!item) {
        return;
    }
    const QString target = item->data(kPathRole).toString();
    QString error;
    if (target != path_ && !setPath(target, &error) && onOpenFailed) {
        onOpenFailed(error);
    }
}

void DirList::keyPressEvent(QKeyEvent* event) {
    if (!changesNothing(event) && refused(refuseInput, event)) {
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!refused(refuseInput, event)) {
        QListWidget::mouseDoubleClickEvent(event);
    }
}

void DirList::mousePressEvent(QMouseEvent* event) {
    if (refused(refuseInput, event)) {
        return;
    }
    // A click on the entry already selected still counts as a click.
    QListWidgetItem* before = currentItem();
    QListWidget::mousePressEvent(event);
    if (before && before == itemAt(event->position().toPoint()) && onClick) {
        onClick();
    }
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, [this] {
        if (onDblClick) {
            onDblClick();
        }
    });
}

QStringList FileList::pictureExtensions() {
    return {QStringLiteral("bmp"), QStringLiteral("wmf"), QStringLiteral("ico"),
            QStringLiteral("gif"), QStringLiteral("jpg"), QStringLiteral("jpeg")};
}

bool FileList::setPath(const QString& folder, QString* error) {
    const QString clean = cleanFolder(folder);
    if (!checkFolder(clean, error)) {
        return false;
    }
    path_ = clean;
    refresh();
    return true;
}

void FileList::refresh() {
    // Read with the system's own calls: Qt's leaves out a name that is not valid
    // UTF-8, and such a name is held in a form that leads back to its bytes.
    QStringList names;
    const QStringList extensions = pictureExtensions();
    if (DIR* dir = ::opendir(pictures::fileNameBytes(path_).constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            // Hidden files stay out, as hidden folders do: a card written by
            // another system carries a "._NAME.JPG" of its own beside every photo.
            if (entry->d_name[0] == '.') {
                continue;
            }
            const QString name = pictures::fileNameFromBytes(entry->d_name);
            const QString suffix = name.section(u'.', -1);
            if (!name.contains(u'.') || !extensions.contains(suffix, Qt::CaseInsensitive)) {
                continue;
            }
            // Folders, also a link to one, are left out; any other entry is listed.
            struct stat st {};
            if (entry->d_type == DT_DIR ||
                ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) &&
                 ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))) {
                continue;
            }
            names << name;
        }
        ::closedir(dir);
    }
    sortByName(names);
    QSignalBlocker block(this);
    clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(pictures::shownFileName(name), this);
        item->setData(kPathRole, name);
    }
    setListIndex(-1);
}

int FileList::listIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void FileList::setListIndex(int index) {
    if (index < -1 || index >= count()) {
        return;
    }
    if (index < 0) {
        clearSelection();
        setCurrentRow(-1, QItemSelectionModel::Clear);
        return;
    }
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
}

QString FileList::list(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? it->data(kPathRole).toString() : QString();
}

QString FileList::fileName() const {
    return list(listIndex());
}

QString FileList::fullPath(const QString& name) const {
    return joinPath(path_, name);
}

}  // namespace plenarvo::controls
