#pragma once

#include "forms/forms.h"
#include "platform/qt/controls.h"
#include "platform/qt/lists.h"

#include <QHash>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include <functional>
#include <memory>
#include <vector>

namespace plenarvo {

class PictureOpener;
class ThumbnailLoader;
struct OpenedPicture;

// The thumbnail sheet: a maximized window that shows the pictures of the main
// window's folder, up to 755, six to a row with their names, built in batches.
class FrmThumb : public Form {
    Q_OBJECT
public:
    static constexpr Window kWindow = Window::Thumb;

    explicit FrmThumb(Forms& forms);
    ~FrmThumb() override;

    static constexpr int kMaxPictures = 755;
    static constexpr int kColumns = 6;
    static constexpr int kRowStep = 130;  // pallet units between rows, as designed

    // A position and size in pallet units, kept in single precision as the
    // layout computes it; the widget shows it rounded to whole pixels.
    struct Box {
        float left = 0;
        float top = 0;
        float width = 0;
        float height = 0;
    };

    // Cell k: imgThumb(k), lblThumb(k), shpThumb(k). Cell 0 is the emblem and the
    // template of every other cell; cell k >= 1 shows file k - 1.
    struct Cell {
        controls::Image* img = nullptr;  // null once its picture was discarded
        controls::Label* lbl = nullptr;
        controls::Shape* shp = nullptr;
        Box imgBox;
        Box lblBox;
        Box shpBox;
        QString path;  // the file the cell shows (empty for the emblem)
    };

    platform::Timer* Timer1 = nullptr;     // one-shot trigger of a batch
    controls::FileList* filPic = nullptr;  // the sheet's own copy of the file list
    QPushButton* cmdAnyKey = nullptr;      // hidden; the way back to the main window
    QScrollBar* vsrPallet = nullptr;
    controls::PictureBox* picHold = nullptr;  // the pallet that holds every cell

    // The sheet's state, as 16-bit whole numbers.
    qint16 ThumbCount = 0;   // pictures on the sheet, at most 755
    qint16 RowStart = 0;     // first cell of the row built last
    qint16 RowEnd = 0;       // last cell built so far
    qint16 RowsPerPass = 0;  // rows one batch adds, 0 to 4

    // ---- building ----
    void Form_Load() override;
    void Form_Unload() override;
    void Timer1_Timer();
    void BuildNextRows();
    void PrintSheetTitle();

    // ---- what the other windows ask of it ----
    // Shows the sheet, loaded on the main window's folder, maximized in place of
    // the main window.
    void open();
    // The return from the full view: the sheet shown again, its title reprinted.
    void returnFromView();
    // The background of the sheet and its pallet.
    void setSchemeColour(const QColor& colour);

    // ---- paging and selection ----
    void vsrPallet_Scroll();
    void vsrPallet_Change();
    void vsrPallet_LostFocus();
    void picHold_MouseMove();
    void picHold_Click();
    void Form_Click();
    void Form_KeyPress(int keyAscii);
    void cmdAnyKey_Click();
    void imgThumb_Click(int index);
    void lblThumb_Click(int index);

    // The pallet height for n pictures: n / 6 x 200 + 200, rounded half to even.
    static int palletHeightFor(int pictures);
    // The sheet's outer height in twips, as last set.
    int outerHeight() const { return outerHeight_; }
    void setOuterHeight(int twips);

    // The cells built so far, cell 0 first.
    const std::vector<Cell>& cells() const { return cells_; }
    controls::Image* imgThumb(int k) const;
    controls::Label* lblThumb(int k) const;
    controls::Shape* shpThumb(int k) const;

    // Where the title line was last printed (sheet pixels, top of the line), and
    // how often it was printed.
    QPointF titlePosition() const { return titlePos_; }
    int titlePrints() const { return titlePrints_; }
    static QString titleText();

    // The decoder of the cells' reduced pictures.
    ThumbnailLoader& thumbnails() { return *loader_; }
    // The reader of a clicked picture.
    PictureOpener& opener() { return *opener_; }

    // Observers for benchmarks: around each batch, and after a cell's picture
    // arrived (or failed to).
    std::function<void()> beforeBatch;
    std::function<void()> afterBatch;
    std::function<void(int cell)> afterThumbnail;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The cell layout: the pallet width that spreads the six columns, and the
    // cell's scale.
    struct Layout {
        int pallet = 0;
        float scale = 1;
        bool operator==(const Layout&) const = default;
    };
    Layout currentLayout() const;
    void setTemplateWidths();
    // Cell k's boxes in the current layout, in its row and column.
    void placeBoxes(int k);
    // What a completed scroll does while cells are missing: the row-1 rule, the
    // timer armed for a batch, the title printed.
    void armNextBatch();
    // The last row with a part in the visible part of the pallet (may be a row
    // not built yet, never past the sheet's last row).
    int lastRowInView() const;
    // Rows in view that have no cells yet.
    bool rowsInViewMissing() const;
    void wheelScroll(const QWheelEvent& event);
    void buildFirstRowCell(int k);
    void buildLaterRowCell(int k);
    void relayOutCells();
    void loadCellControls(int k);
    void showCell(int k);
    void layOutBar();
    void placeBox(QWidget* widget, const Box& box);
    int listCapped() const;
    // Decoding ahead: asks for the pictures of cells up to `lastCell`. Nothing
    // is asked for before the sheet is first opened.
    void requestThumbnails(int lastCell);
    void requestFirstRowCell(int k);
    QSize cellPixelSize(const Box& picture) const;
    // The picture box of cells on the sheet as the batches lay it out.
    Box laidOutPicture() const;
    // Shows every decoded picture whose cell has been built.
    void showReadyThumbnails();
    void thumbnailArrived(int cell, const QImage& image);
    void pictureOpened(const OpenedPicture& opened);
    void pictureFailed(const QString& path, const QString& error);
    void showInFullView(const pictures::Picture& picture);
    // The sheet's outer height and the pallet's, for the pictures it shows.
    void sizeForPictures();

    std::vector<Cell> cells_;
    std::unique_ptr<ThumbnailLoader> loader_;
    std::unique_ptr<PictureOpener> opener_;
    QHash<int, QImage> ready_;  // decoded pictures of cells not shown yet
    bool opened_ = false;       // shown by open() at least once
    QString opening_;           // the file of the cell clicked last, until it shows
    bool row1Discarded_ = false;
    int dragStartValue_ = 0;
    int barSign_ = 1;  // -1 while the bar's Max is below its Min
    int outerHeight_ = 0;
    Layout laidOut_;       // the layout the cells were placed in
    int wheelAngle_ = 0;   // wheel turns not yet a whole notch (1/8 degree)
    int wheelPixels_ = 0;  // smooth-scroll pixels not yet a whole arrow step
    QPointF titlePos_;
    bool titlePrinted_ = false;
    int titlePrints_ = 0;
};

}  // namespace plenarvo
