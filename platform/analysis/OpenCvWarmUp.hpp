#pragma once

namespace keepsift {

// OpenCV builds some lookup tables on first use and without a lock (the Lab conversion's, a few
// megabytes): threads that meet there each build their own and all but one copy leak. This runs
// the conversions, resamplings and filters the measurements use, on a tiny image, once per
// process; call it before any measuring thread starts.
void warmUpOpenCv();

} // namespace keepsift
