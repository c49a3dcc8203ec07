#pragma once
// The main window on screen: the controls of `program.main`, laid out in groups, each bound to
// its model control. Closing it by any means ends the program the same way EXIT does.


#include <QIcon>
#include <QImage>
#include <QWidget>

#include "shell/program.h"

namespace orv::app {

// The program's own icon: a small telescope in a ring, drawn in code at any size.
QImage orvantis_picture(int size);
QIcon orvantis_icon();

class MainView : public QWidget {
    Q_OBJECT
public:
    explicit MainView(Program& program, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Program& program_;
};

}  // namespace orv::app
