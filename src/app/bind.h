#pragma once
// Binds each Qt widget to its model control, both ways. The model holds all behaviour: a model
// change is shown by re-reading every property of the control, and a user's edit is handed to
// the model exactly as if the program had made it. Widgets keep no state of their own. A model
// must outlive the widgets bound to it; a widget may go first.


#include <QWidget>
#include <cstdint>

#include "platform/controls.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QIcon;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QScrollBar;

namespace orv::app {

// A filled circle in the model's colour.
class ShapeWidget : public QWidget {
    Q_OBJECT
public:
    explicit ShapeWidget(QWidget* parent = nullptr);
    void set_color(ui::Colour colour);
    ui::Colour color() const { return color_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ui::Colour color_ = ui::Colour::White;
};

// The caption with its access key marked for Qt ("&CONNECT"); the caption's own "&" kept.
QString with_access_key(const std::string& caption, char key);
// Caption, picture, click, and press/release for any mouse button (left, right or middle).
void bind(QAbstractButton* widget, ui::Button& model);
// A label given as buddy names the box for the keyboard and for assistive technology.
void bind(QLineEdit* widget, ui::TextBox& model, QLabel* buddy = nullptr);
void bind(QCheckBox* widget, ui::CheckBox& model, QLabel* buddy = nullptr);
// An editable combo box: typing and picking an entry both change the model's text.
void bind(QComboBox* widget, ui::ComboBox& model, QLabel* buddy = nullptr);
void bind(QScrollBar* widget, ui::ScrollBar& model);
void bind(QLabel* widget, ui::Label& model);
void bind(ShapeWidget* widget, ui::Shape& model);
void bind(QListWidget* widget, ui::ListBox& model);
// The bar never shows more than its maximum.
void bind(QProgressBar* widget, ui::ProgressBar& model);
// A top-level window: title, shown or hidden, brought to the front, closed; put where it was
// last time, kept on a screen.
void bind_window(QWidget* window, ui::Window& model);
// `top_left` if a window of `size` there can still be taken by its title bar on one of the
// screens as they are now; otherwise the middle of the primary screen.
QPoint on_screen(QPoint top_left, QSize size);

// The pictures the buttons show, drawn in code.
QIcon picture_icon(ui::Picture picture, int size);

}  // namespace orv::app
