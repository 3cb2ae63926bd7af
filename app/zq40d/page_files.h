// The staff page: its files served from the program's own resources, with a
// Content-Security-Policy that lets it load nothing from anywhere else and
// run no script of its own markup.
#pragma once

#include "http_listener.h"

namespace zq40::daemon {

// The answer to a request outside /api/: a file of the page, or 404.
HttpReply pageReply(const HttpRequest& request);

} // namespace zq40::daemon
