// The library starts its threads when the dynamic loader maps it into a
// process and stops them when it is unmapped; clients initialise nothing.
#include "../../core/lifecycle.h"

namespace {

__attribute__((constructor)) void onLoad()
{
    ousb::startLibrary();
}

// dlclose() and exit() run this outside any loader lock that the worker
// could need, so it may wait for the worker to end.
__attribute__((destructor)) void onUnload()
{
    ousb::stopLibrary(ousb::StopMode::waitForWorker);
}

} // namespace
