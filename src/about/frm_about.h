#pragma once

#include "forms/forms.h"
#include "platform/qt/controls.h"

#include <QPushButton>

#include <array>
#include <cstdint>

namespace plenarvo {

// The About box: the product's name, version and description, and a button that
// starts the system information tool. Modeless; its OK button closes it.
class FrmAbout : public Form {
    Q_OBJECT
public:
    static constexpr Window kWindow = Window::About;

    explicit FrmAbout(Forms& forms);

    controls::PictureBox* picIcon = nullptr;
    controls::Label* lblTitle = nullptr;
    controls::Label* lblVersion = nullptr;
    controls::Label* lblDescription = nullptr;
    controls::Label* lblSupport = nullptr;
    std::array<QWidget*, 2> Line1{};  // the etched separator: white, then grey
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    void Form_Load() override;
    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Starts the system information tool, or says it is unavailable.
    void StartSysInfo();
    // Reads one registry value as text into keyVal. False when the key could not
    // be opened or the value not read; keyVal is then empty.
    bool GetKeyValue(std::uint32_t& keyRoot, QString& keyName, QString& subKeyRef, QString& keyVal);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace plenarvo
