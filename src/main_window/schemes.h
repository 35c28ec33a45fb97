#pragma once

#include <QColor>

#include <array>
#include <optional>

namespace plenarvo {

// The five background colour schemes, in the order in which they are tested one
// after another (which is neither the menu order nor the file order).
enum class Scheme { Default, Neon, Teal, HotMaroon, ButtonFace };
inline constexpr std::array<Scheme, 5> kSchemeOrder = {Scheme::Default, Scheme::Neon, Scheme::Teal,
                                                       Scheme::HotMaroon, Scheme::ButtonFace};

struct SchemeInfo {
    Scheme scheme;
    quint32 bgr;       // the colour as 0x00BBGGRR, or a system colour
    bool decorations;  // whether the main window's panels and divider show
};

const SchemeInfo& schemeInfo(Scheme scheme);
QColor schemeColour(Scheme scheme);

// Which scheme check marks are set, indexed in the scheme order.
using SchemeChecks = std::array<bool, 5>;

// The rule by which the full-screen view and the thumbnail sheet take the
// scheme when they load: every checked scheme in the scheme order sets the
// colour, so the last checked one wins; none checked keeps the built colour.
std::optional<QColor> schemeColourOnLoad(const SchemeChecks& checks);

}  // namespace plenarvo
