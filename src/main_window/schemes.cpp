#include "main_window/schemes.h"

#include "platform/qt/controls.h"

namespace plenarvo {

const SchemeInfo& schemeInfo(Scheme scheme) {
    static const std::array<SchemeInfo, 5> table = {{
        {Scheme::Default, 0x00C00000, true},
        {Scheme::Neon, 0x0000FF00, false},
        {Scheme::Teal, 0x00C0C000, false},
        {Scheme::HotMaroon, 0x00C000C0, false},
        {Scheme::ButtonFace, 0x8000000F, false},
    }};
    return table[static_cast<size_t>(scheme)];
}

QColor schemeColour(Scheme scheme) {
    return controls::fromBgr(schemeInfo(scheme).bgr);
}

std::optional<QColor> schemeColourOnLoad(const SchemeChecks& checks) {
    std::optional<QColor> colour;
    for (size_t i = 0; i < kSchemeOrder.size(); ++i) {
        if (checks[i]) {
            colour = schemeColour(kSchemeOrder[i]);
        }
    }
    return colour;
}

}  // namespace plenarvo
