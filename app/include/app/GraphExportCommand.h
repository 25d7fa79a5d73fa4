#pragma once

namespace orvek::ui {

// True when the arguments ask for a graph export rather than the window ("--run").
bool isGraphExportCommand(int argc, char** argv);

// orvek --run SETTINGS.stg --export-graph FILE [--size WxH] [--dpi N] [--monthly] [--dates]
// Performs a run of the setting file in a private temporary start folder filled with the
// bundled files, without a display, and saves the graph as it stands after the run with every
// series of the mode ticked. Exit status as orvek-batch: 0 after a run, 1 when a check of the
// inputs fails, 2 for a file, format or usage error. Must be called before any QApplication
// exists.
int runGraphExportCommand(int argc, char** argv);

} // namespace orvek::ui
