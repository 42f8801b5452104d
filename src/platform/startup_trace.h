#pragma once
// A timing trace of the start-up, for profiling: off unless the environment
// variable ORBELLE_STARTUP_TRACE names a file. Each mark appends one line to
// it: the milliseconds since the process was created, and the step reached.
namespace orbelle {

void StartupMark(const char* step);

}  // namespace orbelle
