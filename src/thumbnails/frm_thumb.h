#pragma once

#include "app/form.h"
#include "platform/qt/controls.h"
#include "platform/qt/lists.h"

#include <QPushButton>
#include <QScrollBar>

#include <memory>
#include <vector>

namespace plenarvo {

// The thumbnail sheet: a maximized window that shows the pictures of the main
// window's folder, up to 755, six to a row with their names, built in batches.
class FrmThumb : public Form {
    Q_OBJECT
public:
    explicit FrmThumb(Forms& forms);
    ~FrmThumb() override;

    platform::Timer* Timer1 = nullptr;        // one-shot trigger of a batch
    controls::FileList* filPic = nullptr;      // the sheet's own copy of the file list
    QPushButton* cmdAnyKey = nullptr;          // hidden; the way back to the main window
    QScrollBar* vsrPallet = nullptr;
    controls::PictureBox* picHold = nullptr;   // the pallet that holds every cell

    void Form_Load() override;
    void Timer1_Timer();
    void BuildNextRows();
    void PrintSheetTitle();
    void cmdAnyKey_Click();
};

}  // namespace plenarvo
