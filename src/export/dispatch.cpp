#include "export/dispatch.h"

void ExportDispatch() {}
