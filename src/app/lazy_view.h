#pragma once
// A window's view made the first time its model window is shown, so that start-up pays only
// for the main window.

#include <memory>

#include "platform/controls.h"
#include "shell/program.h"

namespace orv::app {

template <class View>
class LazyView {
public:
    LazyView(Program& program, ui::Window& model) {
        model.updated.connect([this, &program, &model] {
            if (!view_ && model.visible()) view_ = std::make_unique<View>(program);
        });
    }
    View* get() const { return view_.get(); }
    void reset() { view_.reset(); }

private:
    std::unique_ptr<View> view_;
};

}  // namespace orv::app
