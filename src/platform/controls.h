#pragma once
// The window controls model: each window is a plain object holding its controls as small
// observable values. A change made by the program raises the same change event as a user's
// edit; the real widgets bind to these both ways and hold no behaviour of their own.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace orv::ui {

// A list of handlers called in the order they were connected.
template <class... Args>
class Signal {
public:
    void connect(std::function<void(Args...)> handler) { handlers_.push_back(std::move(handler)); }
    void fire(Args... args) const {
        // A handler may connect further handlers; call the ones present now.
        const auto now = handlers_;
        for (const auto& h : now) h(args...);
    }

private:
    std::vector<std::function<void(Args...)>> handlers_;
};

class Control {
public:
    explicit Control(std::string name) : name_(std::move(name)) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const std::string& name() const { return name_; }

    bool enabled() const { return enabled_; }
    void set_enabled(bool on) { assign(enabled_, on); }

    bool visible() const { return visible_; }
    void set_visible(bool on) { assign(visible_, on); }

    // What assistive technology reads: the caption, or the label the control sits beside.
    const std::string& accessible_name() const { return accessible_name_; }
    void set_accessible_name(std::string text) { assign(accessible_name_, std::move(text)); }
    const std::string& description() const { return description_; }
    void set_description(std::string text) { assign(description_, std::move(text)); }
    const std::string& tooltip() const { return tooltip_; }
    void set_tooltip(std::string text) { assign(tooltip_, std::move(text)); }

    // Raised after any property changed, for the view to show it.
    Signal<> updated;

protected:
    // A control named by its caption stays named by it: assistive technology announces what
    // the control shows now ("DISCONNECT", not the "CONNECT" it first showed).
    void assign_caption(std::string& caption, const std::string& text) {
        if (text == caption) return;
        if (!caption.empty() && accessible_name_ == caption) accessible_name_ = text;
        caption = text;
        updated.fire();
    }

    template <class T, class U>
    bool assign(T& field, U&& value) {
        if (field == value) return false;
        field = std::forward<U>(value);
        updated.fire();
        return true;
    }

private:
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    std::string accessible_name_;
    std::string description_;
    std::string tooltip_;
};

enum class Picture { None, ArrowUp, ArrowDown, ArrowLeft, ArrowRight, Stop };

class Button : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& text) { assign_caption(caption_, text); }
    Picture picture() const { return picture_; }
    void set_picture(Picture p) { assign(picture_, p); }
    // The letter that with Alt presses the button (underlined in the caption); 0 for none.
    char access_key() const { return access_key_; }
    void set_access_key(char letter) { assign(access_key_, letter); }

    // A click by mouse or keyboard; ignored while disabled, as a disabled button takes none.
    void click() {
        if (enabled()) clicked.fire();
    }
    // Mouse button down and up on the button (any mouse button).
    void press() {
        if (enabled()) pressed.fire();
    }
    void release() { released.fire(); }

    Signal<> clicked;
    Signal<> pressed;
    Signal<> released;

private:
    std::string caption_;
    Picture picture_ = Picture::None;
    char access_key_ = 0;
};

class TextBox : public Control {
public:
    using Control::Control;
    const std::string& text() const { return text_; }
    // Raises `changed` when the text really changes, whoever changed it.
    void set_text(std::string text) {
        if (assign(text_, std::move(text))) changed.fire();
    }
    bool read_only() const { return read_only_; }
    void set_read_only(bool on) { assign(read_only_, on); }
    bool password() const { return password_; }
    void set_password(bool on) { assign(password_, on); }
    // Enter in the box.
    void enter() { entered.fire(); }

    Signal<> changed;
    Signal<> entered;

private:
    std::string text_;
    bool read_only_ = false;
    bool password_ = false;
};

class CheckBox : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& text) { assign_caption(caption_, text); }
    // 0 unchecked, 1 checked.
    int value() const { return value_; }
    void set_value(int v) {
        if (assign(value_, v)) changed.fire();
    }
    bool checked() const { return value_ == 1; }

    Signal<> changed;

private:
    std::string caption_;
    int value_ = 0;
};

// A combo box with editable text and a drop-down list.
class ComboBox : public Control {
public:
    using Control::Control;
    const std::string& text() const { return text_; }
    void set_text(std::string text) {
        if (assign(text_, std::move(text))) changed.fire();
    }
    const std::vector<std::string>& items() const { return items_; }
    // What an entry stands for, shown as its tooltip and accessible description ("" for none).
    const std::string& description(std::size_t index) const {
        static const std::string none;
        return index < descriptions_.size() ? descriptions_[index] : none;
    }
    void add_item(std::string item, std::string description = {}) {
        items_.push_back(std::move(item));
        descriptions_.push_back(std::move(description));
        updated.fire();
    }
    void insert_item(std::size_t index, std::string item) {
        const auto at = static_cast<std::ptrdiff_t>(std::min(index, items_.size()));
        items_.insert(items_.begin() + at, std::move(item));
        descriptions_.insert(descriptions_.begin() + at, std::string());
        updated.fire();
    }
    void clear_items() {
        items_.clear();
        descriptions_.clear();
        updated.fire();
    }
    bool contains(const std::string& item) const {
        return std::find(items_.begin(), items_.end(), item) != items_.end();
    }
    // Only an entry of the list can be chosen; nothing can be typed.
    bool choice_only() const { return choice_only_; }
    void set_choice_only(bool on) { assign(choice_only_, on); }

    Signal<> changed;

private:
    bool choice_only_ = false;
    std::string text_;
    std::vector<std::string> items_;
    std::vector<std::string> descriptions_;
};

class ScrollBar : public Control {
public:
    using Control::Control;
    int value() const { return value_; }
    // Values outside [min, max] are refused (returns false), as the bar cannot show them.
    bool set_value(int v) {
        if (v < min_ || v > max_) return false;
        if (assign(value_, v)) changed.fire();
        return true;
    }
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    void set_range(int lo, int hi) {
        min_ = lo;
        max_ = hi;
        updated.fire();
    }
    int small_change() const { return small_change_; }
    void set_small_change(int step) { assign(small_change_, step); }

    Signal<> changed;

private:
    int value_ = 0;
    int min_ = 0;
    int max_ = 32767;
    int small_change_ = 1;
};

class Label : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& text) { assign_caption(caption_, text); }

private:
    std::string caption_;
};

enum class Colour { White, Red, Green };

// A filled shape.
class Shape : public Control {
public:
    using Control::Control;
    Colour fill_color() const { return fill_color_; }
    void set_fill_color(Colour c) { assign(fill_color_, c); }

private:
    Colour fill_color_ = Colour::White;
};

class ProgressBar : public Control {
public:
    using Control::Control;
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int value() const { return value_; }
    void set_range(int lo, int hi) {
        min_ = lo;
        max_ = hi;
        updated.fire();
    }
    void set_value(int v) { assign(value_, v); }

private:
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
};

class ListBox : public Control {
public:
    using Control::Control;
    const std::vector<std::string>& items() const { return items_; }
    void add_item(std::string item) {
        items_.push_back(std::move(item));
        updated.fire();
    }
    void clear_items() {
        dropped_ += items_.size();
        items_.clear();
        updated.fire();
    }
    // Removes the oldest `n` lines, for a list that keeps only its latest.
    void drop_front(std::size_t n) {
        n = std::min(n, items_.size());
        items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(n));
        dropped_ += n;
        updated.fire();
    }
    // How many lines were ever removed, for a view that follows the list line by line.
    std::size_t dropped() const { return dropped_; }

private:
    std::vector<std::string> items_;
    std::size_t dropped_ = 0;
};

// A window: its title and whether it is shown. `closed` is raised when the program closes it
// for good; `raise_requested` when it should come to the front.
class Window {
public:
    explicit Window(std::string title) : title_(std::move(title)) {}
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window() = default;

    const std::string& title() const { return title_; }
    bool visible() const { return visible_; }

    // Where the window's top-left corner was put on the screen, as the window system reports it;
    // remembered between runs. Unknown until the window was shown or a position restored.
    struct Position {
        int x = 0;
        int y = 0;
        bool known = false;
    };
    const Position& position() const { return position_; }
    void set_position(int x, int y) { position_ = {x, y, true}; }
    void show() {
        if (!visible_) {
            visible_ = true;
            updated.fire();
        } else {
            raise_requested.fire();
        }
    }
    void hide() {
        if (visible_) {
            visible_ = false;
            updated.fire();
        }
    }
    // Closes the window: hidden, and `closed` raised for whoever owns it.
    void close() {
        hide();
        closed.fire();
    }

    Signal<> updated;
    Signal<> closed;
    Signal<> raise_requested;

private:
    std::string title_;
    bool visible_ = false;
    Position position_;
};

}  // namespace orv::ui
