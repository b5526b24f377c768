#include "storage/sg_exchange.h"

#include <sys/ioctl.h>

#include <atomic>

namespace {

int ioctlExchange(int fd, sg_io_hdr_t* hdr) {
    return ioctl(fd, SG_IO, hdr);
}

std::atomic<orbSgExchangeHandler> gExchangeHandler{ioctlExchange};

}  // namespace

extern "C" {

int orb_sg_exchange(int fd, sg_io_hdr_t* hdr) {
    return gExchangeHandler.load()(fd, hdr);
}

orbSgExchangeHandler orb_set_sg_exchange_handler(orbSgExchangeHandler handler) {
    orbSgExchangeHandler previous =
        gExchangeHandler.exchange(handler != nullptr ? handler : ioctlExchange);
    return previous == ioctlExchange ? nullptr : previous;
}

}  // extern "C"
