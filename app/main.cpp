#include "GUI_KV58App.h"

// The application object.
CGUI_KV58App theApp;
