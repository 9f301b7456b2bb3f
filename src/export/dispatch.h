// Export dispatcher: runs the exporter of the circle's payroll system.
#pragma once

void ExportDispatch();
