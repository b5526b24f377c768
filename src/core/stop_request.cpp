#include "core/stop_request.h"

namespace {

// The innermost scope of the calling thread; each scope links to the one it encloses.
thread_local const orbStopScope* innermostScope = nullptr;

}  // namespace

orbStopScope::orbStopScope(const orbStopRequest& stop) : stop(stop), outer(innermostScope) {
    innermostScope = this;
}

orbStopScope::~orbStopScope() {
    innermostScope = outer;
}

bool orbStopRequested() {
    for (const orbStopScope* scope = innermostScope; scope != nullptr; scope = scope->outer) {
        if (scope->stop.isRequested()) {
            return true;
        }
    }
    return false;
}
