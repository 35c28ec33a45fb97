#pragma once

#include "app/form.h"
#include "platform/core/platform.h"

#include <QPointer>

#include <array>
#include <functional>
#include <vector>

namespace plenarvo {

class FrmImage;
class FrmFullView;
class FrmThumb;
class FrmAbout;
class FrmSplash;

enum class Window { Image, FullView, Thumb, About, Splash };

// The program's five windows, each a single instance reached by name. The first
// reference to a window creates it and runs its load steps; unload() runs its
// unload steps, marks it unloaded at once and lets Qt delete the widget later,
// so that a handler may unload its own window.
class Forms {
public:
    explicit Forms(platform::Platform& platform);
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;
    // Closes every window without running its closing steps.
    ~Forms();

    platform::Platform& platform() { return platform_; }

    // Starts the program: loads the main window, which runs the start-up, and
    // shows it maximized when its loading ends.
    void start();

    FrmImage& image();
    FrmFullView& fullView();
    FrmThumb& thumb();
    FrmAbout& about();
    FrmSplash& splash();

    bool isLoaded(Window w) const { return slots_[index(w)] != nullptr; }
    void unload(Window w);

    // Ends the program at once: every window closes, no closing steps run,
    // nothing is asked and nothing is saved.
    void endProgram();
    bool ended() const { return ended_; }
    std::function<void()> onEnd;

private:
    static size_t index(Window w) { return static_cast<size_t>(w); }
    template <class T>
    T& load(Window w) {
        Form*& slot = slots_[index(w)];
        if (!slot) {
            auto* form = new T(*this);
            slot = form;
            form->Form_Load();
            return *form;
        }
        return static_cast<T&>(*slot);
    }

    platform::Platform& platform_;
    std::array<Form*, 5> slots_{};
    std::vector<QPointer<Form>> discarded_;
    bool ended_ = false;
};

}  // namespace plenarvo
