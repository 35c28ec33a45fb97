#pragma once

#include "platform/core/drives.h"

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

#include <functional>

namespace plenarvo::controls {

// Asked before a mouse press, double-click, wheel turn or key of the user's
// reaches a folder list; true refuses it, so it changes nothing at all.
using RefuseInput = std::function<bool()>;

// The drive list: the mounted volumes, read again whenever the list opens or
// takes the focus, so that a card mounted or removed while the program runs
// shows. Picking one runs onChange; receiving the focus runs onGotFocus.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    DriveList(platform::Drives& drives, QWidget* parent);
    // The current drive's root folder.
    QString drive() const;
    // Shows the drive that holds `path` without running onChange.
    void showDriveOf(const QString& path);
    // Reads the mounted volumes again, keeping the current drive while it is there.
    void refresh();
    // Whether `root` is still among the mounted volumes (read again).
    bool isMounted(const QString& root) const;
    void showPopup() override;
    std::function<void()> onChange;
    std::function<void()> onGotFocus;
    RefuseInput refuseInput;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    platform::Drives& drives_;
    QList<platform::Drive> list_;
    int current_ = -1;
};

// The directory list: the open folder's ancestors from the root down, the open
// folder itself, then its subfolders. A double-click or Enter opens a folder; a
// click or an arrow key only selects one.
class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget* parent);
    QString path() const { return path_; }
    // Opens `folder` and runs onChange. False (and *error set) when the folder
    // cannot be opened; the list then stays as it was.
    bool setPath(const QString& folder, QString* error = nullptr);
    QString tag;
    std::function<void()> onChange;
    std::function<void()> onClick;
    // Runs when opening a folder chosen by the user fails.
    std::function<void(const QString& error)> onOpenFailed;
    RefuseInput refuseInput;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void openItem(QListWidgetItem* item);
    QString path_;
};

// The file list: the files of a folder matching a pattern (without regard to
// letter case), sorted by name without regard to letter case.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent);
    static QStringList pictureExtensions();

    QString path() const { return path_; }
    bool setPath(const QString& folder, QString* error = nullptr);
    // Reads the folder again.
    void refresh();
    // The selected file, -1 when none is (the focus frame alone selects nothing).
    int listIndex() const;
    void setListIndex(int index);
    int listCount() const { return count(); }
    QString list(int index) const;
    QString fileName() const;
    // The full path of a listed file: the folder, a separator unless the folder
    // already ends in one, and the name.
    QString fullPath(const QString& name) const;
    std::function<void()> onDblClick;

private:
    QString path_;
};

// Joins a folder and a name with one separator.
QString joinPath(const QString& folder, const QString& name);

}  // namespace plenarvo::controls
