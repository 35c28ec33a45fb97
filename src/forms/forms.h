#pragma once

#include "forms/form.h"
#include "platform/core/platform.h"

#include <QPointer>

#include <array>
#include <functional>
#include <vector>

namespace plenarvo {

// The program's windows. Each window class names its own constant as
// `static constexpr Window kWindow`.
enum class Window { Image, FullView, Thumb, About, Splash };

// The program's five windows, each a single instance reached by name. The first
// reference to a window creates it and runs its load steps; unload() runs its
// unload steps, marks it unloaded at once and lets Qt delete the widget later,
// so that a handler may unload its own window.
//
// The registry knows no window type: whoever sets the program up defines each
// window's factory, and typed access (get<FrmImage>()) is a template that is
// instantiated where the window's own header is included.
class Forms {
public:
    using Factory = Form* (*)(Forms&);

    explicit Forms(platform::Platform& platform);
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;
    // Closes every window without running its closing steps.
    ~Forms();

    platform::Platform& platform() { return platform_; }

    // Names the factory of one window; each window needs one before its first reference.
    void define(Window w, Factory factory) { factories_[index(w)] = factory; }
    template <class T>
    void define() {
        define(T::kWindow, [](Forms& forms) -> Form* { return new T(forms); });
    }

    // Starts the program: loads the main window, which runs the start-up, and
    // shows it maximized when its loading ends.
    void start();

    // The window, loaded by this reference when it is not loaded.
    Form& form(Window w);
    template <class T>
    T& get() {
        return static_cast<T&>(form(T::kWindow));
    }

    bool isLoaded(Window w) const { return slots_[index(w)] != nullptr; }
    void unload(Window w);

    // Ends the program at once: every window closes, no closing steps run,
    // nothing is asked and nothing is saved.
    void endProgram();
    bool ended() const { return ended_; }
    std::function<void()> onEnd;

private:
    static constexpr size_t kWindows = 5;
    static size_t index(Window w) { return static_cast<size_t>(w); }

    platform::Platform& platform_;
    std::array<Factory, kWindows> factories_{};
    std::array<Form*, kWindows> slots_{};
    // Unloaded windows whose deletion is still pending; the registry deletes
    // what is left of them when it goes, in reverse order of unloading.
    std::vector<QPointer<Form>> discarded_;
    bool ended_ = false;
};

}  // namespace plenarvo
