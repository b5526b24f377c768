#include "report/event_capture.h"

namespace {

thread_local orbEventCapture* current = nullptr;

}  // namespace

orbEventCapture::orbEventCapture() : outer(current) {
    current = this;
}

orbEventCapture::~orbEventCapture() {
    current = outer;
}

orbEventCapture* orbEventCapture::active() {
    return current;
}
