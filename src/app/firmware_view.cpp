#include "app/firmware_view.h"

#include <QCloseEvent>

#include "app/bind.h"
#include "app/main_view.h"

namespace orv::app {

FirmwareView::FirmwareView(Program& program) : QWidget(nullptr), model_(program.firmware) {
    setWindowIcon(orvantis_icon());
    resize(360, 200);
    bind_window(this, model_);
}

void FirmwareView::closeEvent(QCloseEvent* event) {
    // The close control closes the window in the model; a close the model made itself (the
    // window is already hidden there) is not handed back to it.
    if (model_.visible()) model_.close();
    event->accept();
}

}  // namespace orv::app
