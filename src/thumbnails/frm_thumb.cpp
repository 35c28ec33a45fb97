#include "thumbnails/frm_thumb.h"

#include "full_view/frm_full_view.h"
#include "main_window/artwork.h"
#include "main_window/frm_image.h"
#include "main_window/schemes.h"
#include "pictures/file_names.h"
#include "platform/core/twips.h"
#include "thumbnails/picture_opener.h"
#include "thumbnails/thumbnail_loader.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace plenarvo {

using controls::fromBgr;

namespace {

// How many cells ahead of the last one built the workers may decode: two full
// batches, so that the next batch finds its pictures ready while the memory
// held for cells not yet shown stays at a few megabytes.
constexpr int kDecodeAhead = 48;

// The designed places of cell 0's three controls, in pallet units.
constexpr FrmThumb::Box kImgTemplate{72, 32, 105, 81};
constexpr FrmThumb::Box kLblTemplate{72, 112, 105, 25};
constexpr FrmThumb::Box kShpTemplate{56, 24, 134, 121};

// The column step: 1.157 frame widths of a frame as wide as the pallet's width
// makes it, (P - 109.312) / 7, so the six columns spread across the pallet.
// Pictures and names keep the inset they have in cell 0 (16 right of the
// frame's left), so they follow their frames.
//
// The sheet was drawn for a pallet 984 wide, where a picture step of 1.525
// picture widths comes to the same 144.57 as the frame step. At any other width
// the two part ways (pictures slide out of their frames and past the pallet's
// edge), while the frame step alone always fits. At 984 every control lands on
// the same pixel either way.
constexpr float kShpStep = 1.157f;
constexpr float kImgInset = kImgTemplate.left - kShpTemplate.left;
constexpr float kLblInset = kLblTemplate.left - kShpTemplate.left;

// The designed sheet: a 1024x768 screen with a pallet 984 wide, whose cells have
// a picture of 94.8 x 81 in a frame of 124.96 x 121, rows 130 apart.
constexpr float kDesignedScreenWidth = 1024;
constexpr float kDesignedPallet = 984;
// The band a completed scroll leaves above the pallet.
constexpr int kBand = 60;
// The least height a maximized sheet keeps on a 1024x768 screen, under a
// desktop's title bar and panels.
constexpr float kDesignedSheetHeight = 680;
constexpr float kLabelPoints = 8.25f;
// A wheel notch, in the wheel's eighths of a degree.
constexpr int kNotch = 120;

float pictureWidthFor(float palletWidth) {
    return (palletWidth - kImgTemplate.left * 4.45f) / 7;
}
float labelWidthFor(float palletWidth) {
    return (palletWidth - kLblTemplate.left * 4.45f) / 7;
}
float frameWidthFor(float palletWidth) {
    return (palletWidth - kShpTemplate.left * 1.952f) / 7;
}

// The cells keep the designed shape on every screen and grow with the sheet by
// one factor, the smaller of its width's and its height's ratio to the designed
// sheet's. The height counted is the sheet's own, what the desktop leaves of the
// screen, measured against the least a 1024x768 desktop leaves: there the factor
// is 1 whatever the desktop, and the sheet looks as designed; on every screen
// at least four whole rows fit below the pallet's top, as on the designed one,
// and on a 1920x1080 screen the cells' pictures take about the pixels they took
// when they were stretched across it.
float scaleForSheet(int width, int height) {
    const float across = static_cast<float>(width) / kDesignedScreenWidth;
    const float down = static_cast<float>(height) / kDesignedSheetHeight;
    return std::max(0.1f, std::min(across, down));
}

QFont labelFont(float scale) {
    return controls::makeFont(QStringLiteral("Microsoft Sans Serif"), kLabelPoints * scale, true);
}

}  // namespace

FrmThumb::FrmThumb(Forms& forms) : Form(forms) {
    setObjectName(QStringLiteral("frmThumb"));
    setWindowTitle(QStringLiteral("Thumbnails"));
    setWindowIcon(QIcon(QPixmap::fromImage(iconPicture())));
    resize(twips::size(15360, 11520));
    setWindowState(Qt::WindowMaximized);
    controls::setBackground(this, fromBgr(0xC00000));
    QPalette text = palette();
    text.setColor(QPalette::WindowText, fromBgr(0xFF0000));
    setPalette(text);
    setFont(controls::makeFont(QStringLiteral("GothicE"), 26.25, true, true, QFont::Serif));
    setFocusPolicy(Qt::StrongFocus);

    Timer1 = makeTimer(100, false, [this] { Timer1_Timer(); });

    filPic = new controls::FileList(this);
    filPic->hide();

    cmdAnyKey = new QPushButton(QStringLiteral("&Back"), this);
    cmdAnyKey->setGeometry(0, 0, 73, 25);
    cmdAnyKey->setFont(
        controls::makeFont(QStringLiteral("Lynda Cursive"), 12, true, false, QFont::Cursive));
    cmdAnyKey->setToolTip(QStringLiteral("Back to main page."));
    cmdAnyKey->hide();
    connect(cmdAnyKey, &QPushButton::clicked, this, [this] { cmdAnyKey_Click(); });

    vsrPallet = new QScrollBar(Qt::Vertical, this);
    vsrPallet->setGeometry(1110, 80, 35, 265);
    vsrPallet->setRange(0, 10);
    vsrPallet->setSingleStep(260);
    vsrPallet->setPageStep(520);
    vsrPallet->setValue(0);
    vsrPallet->installEventFilter(this);
    // A drag moves the pallet as it goes (Scroll); the change that ends it, and
    // every arrow or track click, is a completed scroll (Change).
    connect(vsrPallet, &QScrollBar::sliderPressed, this,
            [this] { dragStartValue_ = vsrPallet->value(); });
    connect(vsrPallet, &QScrollBar::sliderMoved, this, [this] { vsrPallet_Scroll(); });
    connect(vsrPallet, &QScrollBar::sliderReleased, this, [this] {
        if (vsrPallet->value() != dragStartValue_) {
            vsrPallet_Change();
        }
    });
    connect(vsrPallet, &QScrollBar::valueChanged, this, [this] {
        if (!vsrPallet->isSliderDown()) {
            vsrPallet_Change();
        }
    });

    picHold = new controls::PictureBox(this, false);
    picHold->setGeometry(8, 72, 984, 481);
    controls::setBackground(picHold, fromBgr(0xC00000));
    picHold->setFont(
        controls::makeFont(QStringLiteral("Lynda Cursive"), 15.75, true, false, QFont::Cursive));
    picHold->setAttribute(Qt::WA_NoMousePropagation);
    picHold->setMouseTracking(true);
    picHold->installEventFilter(this);
    picHold->onClick = [this] { picHold_Click(); };

    // Cell 0: the emblem, and the template of every cell.
    Cell emblem;
    emblem.imgBox = kImgTemplate;
    emblem.lblBox = kLblTemplate;
    emblem.shpBox = kShpTemplate;
    cells_.push_back(emblem);
    loadCellControls(0);
    Cell& zero = cells_[0];
    zero.img->setPicture(pictures::Picture::fromImage(iconPicture()));
    zero.img->setEnabled(false);
    zero.lbl->setText(QStringLiteral("Plenarvo Viewer"));
    zero.lbl->setEnabled(false);
    placeBox(zero.shp, zero.shpBox);
    placeBox(zero.img, zero.imgBox);
    placeBox(zero.lbl, zero.lblBox);
    zero.shp->show();
    zero.img->show();
    zero.lbl->show();

    loader_ = std::make_unique<ThumbnailLoader>(
        [this](int cell, const QImage& image) { thumbnailArrived(cell, image); });
    opener_ = std::make_unique<PictureOpener>(
        [this](const OpenedPicture& opened) { pictureOpened(opened); });
}

FrmThumb::~FrmThumb() = default;

QString FrmThumb::titleText() {
    return QStringLiteral("Plenarvo Viewer Thumb Nails");
}

int FrmThumb::palletHeightFor(int pictures) {
    const float h = static_cast<float>(pictures) / 6 * 200 + 200;
    return static_cast<int>(std::nearbyint(h));  // the default mode: half to even
}

void FrmThumb::setOuterHeight(int twips) {
    outerHeight_ = twips;
    if (!isVisible()) {
        const int frame = frameGeometry().height() - height();
        resize(width(), std::max(1, twips::toPixels(twips) - frame));
    }
}

controls::Image* FrmThumb::imgThumb(int k) const {
    return k >= 0 && k < static_cast<int>(cells_.size()) ? cells_[k].img : nullptr;
}
controls::Label* FrmThumb::lblThumb(int k) const {
    return k >= 0 && k < static_cast<int>(cells_.size()) ? cells_[k].lbl : nullptr;
}
controls::Shape* FrmThumb::shpThumb(int k) const {
    return k >= 0 && k < static_cast<int>(cells_.size()) ? cells_[k].shp : nullptr;
}

int FrmThumb::listCapped() const {
    return std::min(filPic->listCount(), kMaxPictures);
}

// ---- building ----

void FrmThumb::Form_Load() {
    const FrmImage& main = forms_.get<FrmImage>();
    if (auto colour = schemeColourOnLoad(main.schemeChecks())) {
        controls::setBackground(this, *colour);
    }
    controls::setBackground(picHold, controls::background(this));

    filPic->setPath(main.folder());
    ThumbCount = static_cast<qint16>(listCapped());
    sizeForPictures();

    RowStart = 1;
    RowEnd = std::min<qint16>(ThumbCount, 5);
    setTemplateWidths();  // the emblem in the cells' shape, even on a sheet of its own
    for (int k = 1; k <= RowEnd; ++k) {
        buildFirstRowCell(k);
    }
    requestThumbnails(RowEnd + kDecodeAhead);
    // Decoded pictures reach their cells only from the event loop (see
    // showReadyThumbnails), never from inside a building step.
    QMetaObject::invokeMethod(
        this, [this] { showReadyThumbnails(); }, Qt::QueuedConnection);

    if (ThumbCount < 5) {
        PrintSheetTitle();
        return;
    }
    if (ThumbCount >= 24) {
        RowsPerPass = 4;
    } else if (ThumbCount >= 18) {
        RowsPerPass = 3;
    } else if (ThumbCount >= 12) {
        RowsPerPass = 2;
    } else if (ThumbCount >= 6) {
        RowsPerPass = 1;
    }
    Timer1->setEnabled(true);
    PrintSheetTitle();
}

void FrmThumb::sizeForPictures() {
    const int h = palletHeightFor(ThumbCount);
    setOuterHeight(h + 200);
    picHold->resize(picHold->width(), h);
}

void FrmThumb::open() {
    if (!opened_) {
        // Loaded hidden until now: what it built asks for its pictures.
        opened_ = true;
        for (int k = 1; k <= std::min<int>(RowEnd, 5); ++k) {
            requestFirstRowCell(k);
        }
        requestThumbnails(RowEnd + kDecodeAhead);
    }
    setWindowState(windowState() | Qt::WindowMaximized);
    show();
    raise();
    activateWindow();
    forms_.form(Window::Image).hide();
    setVisible(true);
    PrintSheetTitle();
}

void FrmThumb::returnFromView() {
    opening_.clear();
    unsetCursor();
    show();
    raise();
    activateWindow();
    PrintSheetTitle();
}

void FrmThumb::setSchemeColour(const QColor& colour) {
    controls::setBackground(this, colour);
    controls::setBackground(picHold, colour);
}

void FrmThumb::Form_Unload() {
    // Nothing queued for this sheet is worth decoding any more, nor a clicked
    // picture still being read worth showing.
    loader_->reset();
    opener_->drop();
    if (forms_.isLoaded(Window::FullView)) {
        // A view still waiting for a picture clicked here would come back to no sheet.
        auto& view = forms_.get<FrmFullView>();
        if (view.waitingForPictures() && view.returnTo() == FrmFullView::ReturnTo::Sheet) {
            forms_.unload(Window::FullView);
        }
    }
}

void FrmThumb::Timer1_Timer() {
    BuildNextRows();
    Timer1->setEnabled(false);
    // The user has scrolled past the rows built so far (a drag of the thumb, a
    // track click near the end): batch after batch, as a scroll would arm them,
    // until the rows in view have their cells. Rows below the view wait for the
    // scrolls that reach them.
    if (isVisible() && rowsInViewMissing()) {
        armNextBatch();
    }
}

int FrmThumb::lastRowInView() const {
    // Row r's frame starts (24 + 130 r) x scale down the pallet.
    const float bottom = static_cast<float>(height() - picHold->y()) / laidOut_.scale;
    const int row = static_cast<int>(std::ceil((bottom - kShpTemplate.top) / kRowStep)) - 1;
    return std::min(row, ThumbCount / kColumns);
}

bool FrmThumb::rowsInViewMissing() const {
    // Rows are built whole, but for the sheet's last: the row of RowEnd is built.
    return RowEnd < ThumbCount && lastRowInView() > RowEnd / kColumns;
}

FrmThumb::Layout FrmThumb::currentLayout() const {
    Layout layout{picHold->width(), 1};
    // Until the first batch lays the pallet out over the sheet, the pallet and
    // its cells keep their designed places and sizes.
    if (vsrPallet->y() == 0) {
        layout.scale = scaleForSheet(width(), height());
    }
    return layout;
}

void FrmThumb::setTemplateWidths() {
    laidOut_ = currentLayout();
    placeBoxes(0);
    // The emblem shows the newest widths at once.
    const Cell& zero = cells_[0];
    placeBox(zero.shp, zero.shpBox);
    placeBox(zero.img, zero.imgBox);
    placeBox(zero.lbl, zero.lblBox);
}

void FrmThumb::placeBoxes(int k) {
    // Every size and top is the designed one times the cell's scale; the lefts
    // spread the columns over the pallet.
    const float s = laidOut_.scale;
    const int rowIndex = k / kColumns;
    const auto row = static_cast<float>(rowIndex * kRowStep);
    Cell& cell = cells_[k];
    float left = kShpTemplate.left;
    if (k % kColumns != 0) {
        left = cells_[k - 1].shpBox.left +
               kShpStep * frameWidthFor(static_cast<float>(laidOut_.pallet));
    }
    cell.shpBox = {left, (kShpTemplate.top + row) * s, frameWidthFor(kDesignedPallet) * s,
                   kShpTemplate.height * s};
    cell.imgBox = {left + kImgInset * s, (kImgTemplate.top + row) * s,
                   pictureWidthFor(kDesignedPallet) * s, kImgTemplate.height * s};
    cell.lblBox = {left + kLblInset * s, (kLblTemplate.top + row) * s,
                   labelWidthFor(kDesignedPallet) * s, kLblTemplate.height * s};
}

void FrmThumb::relayOutCells() {
    // The whole sheet keeps one cell size: when the sheet's size has changed (the
    // first batch spreads the pallet over the sheet as shown), the cells built so
    // far take the new sizes, rows and columns too, the emblem first, and the
    // pallet's height and the bar's steps follow the rows.
    setTemplateWidths();
    const float s = laidOut_.scale;
    const QFont font = labelFont(s);
    for (int k = 0; k < static_cast<int>(cells_.size()); ++k) {
        Cell& cell = cells_[k];
        if (k > 0) {
            placeBoxes(k);
            placeBox(cell.shp, cell.shpBox);
            if (cell.img) {
                placeBox(cell.img, cell.imgBox);
            }
            placeBox(cell.lbl, cell.lblBox);
        }
        cell.lbl->setFont(font);
    }
    picHold->resize(
        picHold->width(),
        static_cast<int>(std::lround(static_cast<float>(palletHeightFor(ThumbCount)) * s)));
    vsrPallet->setSingleStep(static_cast<int>(std::lround(260 * s)));
    vsrPallet->setPageStep(static_cast<int>(std::lround(520 * s)));
}

void FrmThumb::loadCellControls(int k) {
    // A new element copies element 0 as it stands, and starts hidden.
    if (k > 0) {
        Cell cell;
        cell.imgBox = cells_[0].imgBox;
        cell.lblBox = cells_[0].lblBox;
        cell.shpBox = cells_[0].shpBox;
        cells_.push_back(cell);
    }
    Cell& cell = cells_[k];
    cell.shp = new controls::Shape(picHold, Qt::transparent, fromBgr(0xC0C0C0));
    cell.shp->hide();

    cell.img = new controls::Image(picHold);
    cell.img->setToolTip(QStringLiteral("Click to see in full view!"));
    cell.img->setAttribute(Qt::WA_NoMousePropagation);
    cell.img->onClick = [this, k] { imgThumb_Click(k); };
    cell.img->installEventFilter(this);  // the wheel
    cell.img->hide();

    cell.lbl = new controls::Label(picHold);
    cell.lbl->setToolTip(QStringLiteral("Name of Picture file above"));
    cell.lbl->setFont(labelFont(laidOut_.scale));
    cell.lbl->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QPalette colours = cell.lbl->palette();
    colours.setColor(QPalette::Window, fromBgr(0x8000000F));
    colours.setColor(QPalette::WindowText, Qt::black);
    cell.lbl->setPalette(colours);
    cell.lbl->setAutoFillBackground(true);
    cell.lbl->setAttribute(Qt::WA_NoMousePropagation);
    cell.lbl->onClick = [this, k] { lblThumb_Click(k); };
    cell.lbl->installEventFilter(this);
    cell.lbl->hide();

    if (k > 0) {
        cell.img->setEnabled(cells_[0].img->isEnabled());
        cell.lbl->setEnabled(cells_[0].lbl->isEnabled());
    }
}

void FrmThumb::placeBox(QWidget* widget, const Box& box) {
    widget->setGeometry(
        static_cast<int>(std::lround(box.left)), static_cast<int>(std::lround(box.top)),
        static_cast<int>(std::lround(box.width)), static_cast<int>(std::lround(box.height)));
}

void FrmThumb::buildFirstRowCell(int k) {
    setTemplateWidths();
    cells_[0].img->setEnabled(true);
    cells_[0].lbl->setEnabled(true);
    loadCellControls(k);
    Cell& cell = cells_[k];
    filPic->setListIndex(k - 1);
    cell.path = filPic->fullPath(filPic->fileName());
    placeBoxes(k);
    requestFirstRowCell(k);
    showCell(k);
}

void FrmThumb::buildLaterRowCell(int k) {
    loadCellControls(k);
    setTemplateWidths();
    Cell& cell = cells_[k];
    filPic->setListIndex(k - 1);
    cell.path = filPic->fullPath(filPic->fileName());
    // Its row (130 below the row above, scaled) and column.
    placeBoxes(k);
    if (opened_) {
        loader_->request(k, cell.path, cellPixelSize(cell.imgBox));
    }
    showCell(k);
}

void FrmThumb::showCell(int k) {
    Cell& cell = cells_[k];
    placeBox(cell.shp, cell.shpBox);
    placeBox(cell.img, cell.imgBox);
    placeBox(cell.lbl, cell.lblBox);
    cell.img->show();
    cell.lbl->show();
    cell.shp->show();
    cell.lbl->setText(pictures::shownFileName(filPic->fileName()));
    cell.img->raise();
    cell.lbl->raise();
}

void FrmThumb::layOutBar() {
    vsrPallet->setGeometry(width() - 25, 0, vsrPallet->width(), height() - 1);
    picHold->resize(width() - vsrPallet->width(), picHold->height());
}

void FrmThumb::BuildNextRows() {
    if (beforeBatch) {
        beforeBatch();
    }
    layOutBar();
    if (currentLayout() != laidOut_) {
        relayOutCells();
    }
    const int n = listCapped();
    for (int pass = 0; pass < RowsPerPass; ++pass) {
        RowStart = static_cast<qint16>(RowEnd + 1);
        RowEnd = static_cast<qint16>(RowStart + 5 > n ? n : RowStart + 5);
        for (int k = RowStart; k <= RowEnd; ++k) {
            buildLaterRowCell(k);
        }
    }
    layOutBar();
    // In plain ints: on a large screen a long sheet's pallet is taller than
    // 16-bit numbers reach.
    int max = picHold->height() - height() + static_cast<int>(std::lround(400 * laidOut_.scale));
    if (max > 0) {
        // The pallet is taller than its rows (200 per row of six against 130):
        // the bar ends where the complete sheet's last row, with the margin the
        // first row has above it, comes into view, not over the empty pallet below.
        const int lastRow = ThumbCount / kColumns;
        const float lastFrameBottom = static_cast<float>(lastRow * kRowStep) + kShpTemplate.top +
                                      kShpTemplate.height + kShpTemplate.top;
        const int end =
            kBand + static_cast<int>(std::lround(lastFrameBottom * laidOut_.scale)) - height();
        max = std::clamp(end, 0, max);
    }
    // A bar whose Max is below its Min still runs from Min at the top to Max at
    // the bottom, its values falling as it goes down. Qt's bar only rises, so it
    // holds the distance from 0 and the sheet reads it with the sign turned.
    barSign_ = max < 0 ? -1 : 1;
    vsrPallet->setRange(0, max < 0 ? -max : max);
    PrintSheetTitle();

    requestThumbnails(RowEnd + kDecodeAhead);
    QMetaObject::invokeMethod(
        this, [this] { showReadyThumbnails(); }, Qt::QueuedConnection);
    if (afterBatch) {
        afterBatch();
    }
}

void FrmThumb::PrintSheetTitle() {
    // The line goes a fixed 12 pixels below the top of the sheet's client area,
    // centred across the sheet, in the sheet's font and text colour. It is drawn
    // beneath the sheet's controls by paintEvent.
    const QFontMetricsF metrics(font());
    const QRectF before(titlePos_,
                        QSizeF(metrics.horizontalAdvance(titleText()), metrics.height()));
    titlePos_ = QPointF((width() - metrics.horizontalAdvance(titleText())) * 0.5, 12);
    titlePrinted_ = true;
    ++titlePrints_;
    update(before.toAlignedRect());
    update(QRectF(titlePos_, before.size()).toAlignedRect());
}

void FrmThumb::paintEvent(QPaintEvent* event) {
    Form::paintEvent(event);
    if (!titlePrinted_) {
        return;
    }
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetricsF metrics(font());
    p.drawText(QPointF(titlePos_.x(), titlePos_.y() + metrics.ascent()), titleText());
}

// ---- decoding ahead ----
//
// The cells' pictures are reduced copies decoded at the cell's size by the
// loader's workers; a cell never holds the full picture. Building a cell only
// asks for its picture and never waits for it: the picture reaches the cell
// from the event loop, by a queued call, whether it was ready before the cell
// was built (showReadyThumbnails, queued at the end of each batch) or arrives
// after it (thumbnailArrived). The order of the program's events (batches,
// scrolls, clicks) therefore never depends on how fast the workers are.

FrmThumb::Box FrmThumb::laidOutPicture() const {
    // The batches lay the cells out on the sheet as shown maximized.
    QSize sheet = size();
    if (!isVisible() && vsrPallet->y() != 0) {
        const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
        if (where) {
            sheet = where->availableGeometry().size();
        }
    }
    const float s = scaleForSheet(sheet.width(), sheet.height());
    return {0, 0, pictureWidthFor(kDesignedPallet) * s, kImgTemplate.height * s};
}

QSize FrmThumb::cellPixelSize(const Box& picture) const {
    const qreal ratio = devicePixelRatioF();
    return QSize(static_cast<int>(std::lround(picture.width * ratio)),
                 static_cast<int>(std::lround(picture.height * ratio)))
        .expandedTo(QSize(1, 1));
}

void FrmThumb::requestFirstRowCell(int k) {
    if (!opened_) {
        return;
    }
    // A sheet that gets batches is laid out again on its full width by the
    // first of them, 100 ms after it shows: decode the first row at that width.
    loader_->request(k, cells_[k].path,
                     cellPixelSize(ThumbCount >= 5 ? laidOutPicture() : cells_[k].imgBox));
}

void FrmThumb::requestThumbnails(int lastCell) {
    if (!opened_) {
        return;  // a sheet loaded hidden decodes nothing until it shows
    }
    const int n = listCapped();
    lastCell = std::min(lastCell, n);
    const int first = loader_->requestedUpTo() + 1;
    if (first > lastCell) {
        return;
    }
    const Box laidOut = laidOutPicture();
    for (int k = first; k <= lastCell; ++k) {
        const Box& picture = k <= RowEnd ? cells_[k].imgBox : laidOut;
        filPic->setListIndex(k - 1);
        loader_->request(k, filPic->fullPath(filPic->fileName()), cellPixelSize(picture));
    }
    if (RowEnd >= 1) {
        filPic->setListIndex(RowEnd - 1);  // the list's selection stays where building left it
    }
}

void FrmThumb::thumbnailArrived(int cell, const QImage& image) {
    ready_.insert(cell, image);
    if (cell <= RowEnd) {
        showReadyThumbnails();
    }
}

void FrmThumb::showReadyThumbnails() {
    for (auto it = ready_.begin(); it != ready_.end();) {
        const int k = it.key();
        if (k > RowEnd || k >= static_cast<int>(cells_.size())) {
            ++it;
            continue;
        }
        const QImage image = it.value();
        it = ready_.erase(it);
        // A file that could not be read leaves the cell with an empty picture and its name.
        if (cells_[k].img && !image.isNull()) {
            cells_[k].img->setPicture(pictures::Picture::fromImage(image), image);
        }
        if (afterThumbnail) {
            afterThumbnail(k);
        }
    }
}

// ---- paging and selection ----

void FrmThumb::vsrPallet_Scroll() {
    picHold->move(picHold->x(), -(barSign_ * vsrPallet->sliderPosition()));
}

void FrmThumb::vsrPallet_Change() {
    picHold->move(picHold->x(), kBand - barSign_ * vsrPallet->value());
    if (RowEnd == ThumbCount) {
        return;
    }
    armNextBatch();
}

void FrmThumb::armNextBatch() {
    if (RowStart == 72 && !row1Discarded_) {
        // The row built last is row 12: the pictures of row 1 go, once. Their
        // names and frames stay.
        row1Discarded_ = true;
        for (int k = 6; k <= 11; ++k) {
            delete cells_[k].img;
            cells_[k].img = nullptr;
        }
    }
    Timer1->setEnabled(true);
    PrintSheetTitle();
}

void FrmThumb::vsrPallet_LostFocus() {
    PrintSheetTitle();
}

void FrmThumb::picHold_MouseMove() {
    PrintSheetTitle();
}

void FrmThumb::picHold_Click() {
    cmdAnyKey_Click();
}

void FrmThumb::Form_Click() {
    cmdAnyKey_Click();
}

void FrmThumb::Form_KeyPress(int) {
    cmdAnyKey_Click();
}

void FrmThumb::cmdAnyKey_Click() {
    Form& main = forms_.form(Window::Image);
    main.show();
    main.repaint();
    forms_.unload(Window::Thumb);
}

void FrmThumb::imgThumb_Click(int index) {
    if (index < 0 || index >= static_cast<int>(cells_.size()) || !cells_[index].img) {
        return;  // its picture was discarded: nothing to open
    }
    if (index == 0) {
        opener_->drop();
        showInFullView(pictures::Picture::fromImage(iconPicture()));
        return;
    }
    // The cell holds a reduced copy; the full view gets the picture from its
    // file, read on a worker so that the sheet goes on answering meanwhile. The
    // last click wins; a second click on the same picture opens it once.
    if (cells_[index].path == opening_) {
        return;
    }
    opening_ = cells_[index].path;
    opener_->open(opening_);
    setCursor(Qt::BusyCursor);
}

void FrmThumb::pictureOpened(const OpenedPicture& opened) {
    if (!opened.ok()) {
        pictureFailed(opened.path, opened.error);
        return;
    }
    showInFullView(opened.picture);
}

void FrmThumb::pictureFailed(const QString& path, const QString& error) {
    // Gone or changed since the sheet was built: say so, and stay on the sheet.
    opening_.clear();
    unsetCursor();
    const QString name = pictures::shownFileName(QFileInfo(path).fileName());
    forms_.platform().messages->show(
        QStringLiteral("The picture %1 cannot be shown. %2").arg(name, error),
        QStringLiteral("Picture Not Loaded"), platform::MessageIcon::Exclamation);
}

// The view shows once it has decoded what it shows, and hides the sheet then.
void FrmThumb::showInFullView(const pictures::Picture& picture) {
    const QString path = opening_;
    forms_.get<FrmFullView>().open(picture, FrmFullView::ReturnTo::Sheet,
                                   [sheet = QPointer<FrmThumb>(this), path](const QString& error) {
                                       if (sheet) {
                                           sheet->pictureFailed(path, error);
                                       }
                                   });
}

void FrmThumb::lblThumb_Click(int index) {
    imgThumb_Click(index);
}

void FrmThumb::mouseReleaseEvent(QMouseEvent* event) {
    Form::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        Form_Click();
    }
}

void FrmThumb::wheelScroll(const QWheelEvent& event) {
    // A notch, or a touchpad's travel as long as the arrow's step, moves the
    // sheet as a click on the bar's arrow does: a completed scroll each.
    int steps = 0;
    const auto accumulate = [&steps](int& sum, int delta, int unit) {
        if ((sum > 0 && delta < 0) || (sum < 0 && delta > 0)) {
            sum = 0;  // turned back: what was left over goes
        }
        sum += delta;
        steps = sum / unit;
        sum -= steps * unit;
    };
    if (!event.pixelDelta().isNull()) {
        accumulate(wheelPixels_, event.pixelDelta().y(), std::max(1, vsrPallet->singleStep()));
    } else {
        accumulate(wheelAngle_, event.angleDelta().y(), kNotch);
    }
    // Turned away from the user (positive), the wheel moves the sheet up.
    for (; steps > 0; --steps) {
        vsrPallet->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    for (; steps < 0; ++steps) {
        vsrPallet->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
}

void FrmThumb::wheelEvent(QWheelEvent* event) {
    wheelScroll(*event);
    event->accept();
}

void FrmThumb::keyPressEvent(QKeyEvent* event) {
    // Keys the scroll bar does not use come here too: any character returns.
    if (!event->text().isEmpty()) {
        Form_KeyPress(event->text().at(0).unicode());
        return;
    }
    Form::keyPressEvent(event);
}

void FrmThumb::closeEvent(QCloseEvent* event) {
    if (forms_.ended()) {
        event->accept();  // the program is ending: nothing to go back to
        return;
    }
    event->ignore();
    // Closed from its title bar: go back to the main window, which is hidden
    // while the sheet shows, rather than leave no window on the screen.
    cmdAnyKey_Click();
}

bool FrmThumb::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        // Over the pallet, a cell or the bar alike (the bar's own wheel would
        // move three arrow steps a notch).
        wheelScroll(*static_cast<QWheelEvent*>(event));
        event->accept();
        return true;
    }
    if (watched == picHold && event->type() == QEvent::MouseMove) {
        picHold_MouseMove();
    } else if (watched == vsrPallet && event->type() == QEvent::FocusOut) {
        vsrPallet_LostFocus();
    }
    return Form::eventFilter(watched, event);
}

}  // namespace plenarvo
