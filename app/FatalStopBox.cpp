// The fatal stop's box: the same on the desktop and in a web page.
#include "MessageBox.h"
#include "base/Log.h"
#include "base/Screen.h"

void showFatalStopsInBox(void (*requestQuit)()) {
    setFatalStopHandler([requestQuit] {
        showMessageBox(kFatalBoxText, kFatalBoxCaption, BoxIcon::none);
        setLoadingFlag(false);
        requestQuit();
    });
}
