#pragma once

#include "forms/forms.h"

namespace plenarvo {

class FrmImage;
class FrmFullView;
class FrmThumb;
class FrmAbout;
class FrmSplash;

// The registry with the program's five windows defined in it: the one place
// that knows every window type. The named accessors are for the program's
// start, its tests and its benchmarks; the windows reach each other through
// Forms::get.
class ProgramWindows : public Forms {
public:
    explicit ProgramWindows(platform::Platform& platform);

    FrmImage& image();
    FrmFullView& fullView();
    FrmThumb& thumb();
    FrmAbout& about();
    FrmSplash& splash();
};

}  // namespace plenarvo
