#include "app/program_windows.h"

#include "about/frm_about.h"
#include "about/frm_splash.h"
#include "app/command_line.h"
#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"
#include "thumbnails/frm_thumb.h"

namespace plenarvo {

ProgramWindows::ProgramWindows(platform::Platform& platform) : Forms(platform) {
    // The About box and the splash screen take the title and version from here.
    nameApplication();
    define<FrmImage>();
    define<FrmFullView>();
    define<FrmThumb>();
    define<FrmAbout>();
    define<FrmSplash>();
}

FrmImage& ProgramWindows::image() {
    return get<FrmImage>();
}
FrmFullView& ProgramWindows::fullView() {
    return get<FrmFullView>();
}
FrmThumb& ProgramWindows::thumb() {
    return get<FrmThumb>();
}
FrmAbout& ProgramWindows::about() {
    return get<FrmAbout>();
}
FrmSplash& ProgramWindows::splash() {
    return get<FrmSplash>();
}

}  // namespace plenarvo
