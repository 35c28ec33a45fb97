#include "main_window/frm_image.h"

// Command groups whose windows are still being built connect nothing yet.
namespace plenarvo {


}  // namespace plenarvo
