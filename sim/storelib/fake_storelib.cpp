// The MegaRAID storage library, built as a real shared object for the service's dlopen path.
// It answers every command the service issues from the simulated host's
// /var/lib/sim-storelib/controllers, read again on every call so that a scenario can change a
// drive or a volume while the service runs. Once the service registers for events, a thread of
// its own fires each line appended to /var/lib/sim-storelib/events through the registered
// callback, until the service unregisters.
//
// Description, one item a line ("#" starts a comment); CTRL is the controller's place in the
// list (0 for the first), which is also its identifier:
//   controller chipset=0x10E21000 board=0x40101000 pci=0000:5e:00.0 serial=S firmware=F
//              product=TEXT ("_" stands for a blank)
//   pd CTRL DEVICE ENC:SLOT state=0x00 interface=SAS|SATA|NVMe media=HDD|SSD vendor=V
//              product=P revision=R serial=S blocks=N       (SAS drives without inquiry
//              serial: vpd-serial=S answers VPD page 0x80 instead)
//   ld CTRL TARGET raid=1 span=1 state=3 blocks=N name=TEXT members=DEVICE,DEVICE
// Failure switches:
//   init-status STATUS          initialisation fails with this status
//   claimed-controllers N       the controller count reported instead
//   claimed-drives N            the drive count of each drive list instead
//   claimed-volumes N           the volume count of each volume list instead
//   unterminated-texts          texts fill their fields without a NUL
//   fail TYPE CMD STATUS        that command fails with STATUS
//
// Events, one a line: key=value words, "text=" last and taking the rest of the line:
//   ctrl=0 code=0x0072 class=0 locale=0x0002 args=pd-state device=8 enclosure=252 slot=1
//   prev=0x00 new=0x11 text=State change on PD 08(e0xfc/s1) from ONLINE(0) to FAILED(11)
// args: none, pd, pd-state, ld (target=), ld-progress (target= progress=), ld-count
// (target= count=).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "megaraid/storelib_abi.h"

namespace {

struct Controller {
    uint32_t chipset = 0, board = 0;
    unsigned domain = 0, bus = 0, device = 0, function = 0;
    std::string serial, firmware, product;
};
struct Drive {
    uint32_t ctrl = 0;
    uint16_t device = 0, enclosure = 0;
    uint8_t slot = 0, state = 0, interfaceType = 0;
    bool ssd = false;
    std::string vendor, product, revision, serial, vpdSerial;
    uint64_t blocks = 0;
};
struct Volume {
    uint32_t ctrl = 0;
    uint8_t target = 0, raid = 0, span = 1, state = 3;
    uint64_t blocks = 0;
    std::string name;
    std::vector<uint16_t> members;
};
struct Description {
    std::vector<Controller> controllers;
    std::vector<Drive> drives;
    std::vector<Volume> volumes;
    int initStatus = 0;
    long claimedControllers = -1, claimedDrives = -1, claimedVolumes = -1;
    bool unterminated = false;
    std::map<std::pair<int, int>, int> failures;
};

std::string rootPath(const std::string& path) {
    const char* root = std::getenv("ORB_ROOT");
    return (root != nullptr && root[0] == '/' ? std::string(root) : std::string()) + path;
}

unsigned long number(const std::string& text) {
    return std::strtoul(text.c_str(), nullptr, 0);
}

std::map<std::string, std::string> keyValues(std::istringstream& words) {
    std::map<std::string, std::string> values;
    for (std::string word; words >> word;) {
        size_t equals = word.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = word.substr(0, equals);
        std::string value = word.substr(equals + 1);
        if (key == "text") {
            std::string rest;
            std::getline(words, rest);
            value += rest;
        }
        for (char& c : value) {
            if (c == '_' && key != "text") {
                c = ' ';
            }
        }
        values[key] = value;
    }
    return values;
}

Description readDescription() {
    Description d;
    std::ifstream file(rootPath("/var/lib/sim-storelib/controllers"));
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "controller") {
            auto v = keyValues(words);
            Controller c;
            c.chipset = static_cast<uint32_t>(number(v["chipset"]));
            c.board = static_cast<uint32_t>(number(v["board"]));
            std::sscanf(v["pci"].c_str(), "%x:%x:%x.%x", &c.domain, &c.bus, &c.device, &c.function);
            c.serial = v["serial"];
            c.firmware = v["firmware"];
            c.product = v["product"];
            d.controllers.push_back(c);
        } else if (kind == "pd") {
            Drive pd;
            std::string place;
            words >> pd.ctrl >> pd.device >> place;
            unsigned enclosure = 0, slot = 0;
            std::sscanf(place.c_str(), "%u:%u", &enclosure, &slot);
            pd.enclosure = static_cast<uint16_t>(enclosure);
            pd.slot = static_cast<uint8_t>(slot);
            auto v = keyValues(words);
            pd.state = static_cast<uint8_t>(number(v["state"]));
            const std::string& face = v["interface"];
            pd.interfaceType = face == "SAS"    ? MR_PD_INTERFACE_SAS
                               : face == "SATA" ? MR_PD_INTERFACE_SATA
                               : face == "NVMe" ? MR_PD_INTERFACE_NVME
                                                : MR_PD_INTERFACE_UNKNOWN;
            pd.ssd = v["media"] == "SSD";
            pd.vendor = v["vendor"];
            pd.product = v["product"];
            pd.revision = v["revision"];
            pd.serial = v["serial"];
            pd.vpdSerial = v["vpd-serial"];
            pd.blocks = std::strtoull(v["blocks"].c_str(), nullptr, 0);
            d.drives.push_back(pd);
        } else if (kind == "ld") {
            Volume ld;
            unsigned target = 0;
            words >> ld.ctrl >> target;
            ld.target = static_cast<uint8_t>(target);
            auto v = keyValues(words);
            ld.raid = static_cast<uint8_t>(number(v["raid"]));
            ld.span = static_cast<uint8_t>(v.count("span") ? number(v["span"]) : 1);
            ld.state = static_cast<uint8_t>(number(v["state"]));
            ld.blocks = std::strtoull(v["blocks"].c_str(), nullptr, 0);
            ld.name = v["name"];
            std::istringstream members(v["members"]);
            for (std::string member; std::getline(members, member, ',');) {
                ld.members.push_back(static_cast<uint16_t>(number(member)));
            }
            d.volumes.push_back(ld);
        } else if (kind == "init-status") {
            std::string status;
            words >> status;
            d.initStatus = static_cast<int>(number(status));
        } else if (kind == "claimed-controllers") {
            words >> d.claimedControllers;
        } else if (kind == "claimed-drives") {
            words >> d.claimedDrives;
        } else if (kind == "claimed-volumes") {
            words >> d.claimedVolumes;
        } else if (kind == "unterminated-texts") {
            d.unterminated = true;
        } else if (kind == "fail") {
            std::string type, cmd, status;
            words >> type >> cmd >> status;
            d.failures[{static_cast<int>(number(type)), static_cast<int>(number(cmd))}] =
                static_cast<int>(number(status));
        }
    }
    return d;
}

void put16(uint8_t* at, uint16_t value) {
    std::memcpy(at, &value, sizeof(value));
}
void put32(uint8_t* at, uint32_t value) {
    std::memcpy(at, &value, sizeof(value));
}
void put64(uint8_t* at, uint64_t value) {
    std::memcpy(at, &value, sizeof(value));
}
// A text in a field of width bytes: blank-padded and without a NUL when asked to leave it
// unterminated.
void putText(uint8_t* at, size_t width, const std::string& text, bool unterminated) {
    if (unterminated) {
        std::memset(at, 'X', width);
        std::memcpy(at, text.data(), text.size() < width ? text.size() : width);
        return;
    }
    std::memset(at, 0, width);
    std::memcpy(at, text.data(), text.size() < width - 1 ? text.size() : width - 1);
}

void fillControllerList(const Description& d, SL_CTRL_LIST_T* list) {
    std::memset(list, 0, sizeof(*list));
    list->count = static_cast<uint16_t>(d.claimedControllers >= 0 ? d.claimedControllers
                                                                  : d.controllers.size());
    for (size_t i = 0; i < d.controllers.size() && i < SL_MAX_CONTROLLERS; ++i) {
        list->ctrlId[i] = static_cast<uint32_t>(i);
    }
}

// The event thread and its registration.
struct Events {
    std::mutex mutex;
    std::condition_variable wake;
    std::thread thread;
    bool stop = false;
    SL_AEN_CALLBACK callback = nullptr;
    uint32_t uniqueId = 0;
    std::streamoff offset = 0;
    ~Events() { halt(); }
    void halt() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
            wake.notify_all();
        }
        if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) {
            thread.join();
        }
    }
};
Events events;

SL_EVENT_DETAIL_T eventOf(const std::string& line, bool unterminated) {
    SL_EVENT_DETAIL_T e;
    std::memset(&e, 0, sizeof(e));
    std::istringstream words(line);
    auto v = keyValues(words);
    e.ctrlId = static_cast<uint32_t>(number(v["ctrl"]));
    e.code = static_cast<uint32_t>(number(v["code"]));
    e.evtClass = static_cast<int8_t>(std::strtol(v["class"].c_str(), nullptr, 0));
    e.locale = static_cast<uint16_t>(number(v["locale"]));
    static uint32_t sequence = 1000;
    e.seqNum = ++sequence;
    const std::string& args = v["args"];
    if (args == "pd" || args == "pd-state") {
        e.argType = args == "pd" ? MR_EVT_ARGS_PD : MR_EVT_ARGS_PD_STATE;
        put16(e.args + MR_EVT_ARG_DEVICE_ID, static_cast<uint16_t>(number(v["device"])));
        put16(e.args + MR_EVT_ARG_ENCLOSURE, static_cast<uint16_t>(number(v["enclosure"])));
        e.args[MR_EVT_ARG_SLOT] = static_cast<uint8_t>(number(v["slot"]));
        put32(e.args + MR_EVT_ARG_PREV_STATE, static_cast<uint32_t>(number(v["prev"])));
        put32(e.args + MR_EVT_ARG_NEW_STATE, static_cast<uint32_t>(number(v["new"])));
    } else if (args == "ld" || args == "ld-progress" || args == "ld-count") {
        e.argType = args == "ld"            ? MR_EVT_ARGS_LD
                    : args == "ld-progress" ? MR_EVT_ARGS_LD_PROGRESS
                                            : MR_EVT_ARGS_LD_COUNT;
        e.args[MR_EVT_ARG_TARGET_ID] = static_cast<uint8_t>(number(v["target"]));
        put16(e.args + MR_EVT_ARG_PROGRESS, static_cast<uint16_t>(number(v["progress"])));
        put32(e.args + MR_EVT_ARG_COUNT, static_cast<uint32_t>(number(v["count"])));
    }
    putText(reinterpret_cast<uint8_t*>(e.description), MR_EVT_DESCRIPTION_LEN, v["text"],
            unterminated);
    return e;
}

void eventLoop() {
    const std::string path = rootPath("/var/lib/sim-storelib/events");
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(events.mutex);
            events.wake.wait_for(lock, std::chrono::milliseconds(20), [] { return events.stop; });
            if (events.stop) {
                return;
            }
        }
        std::ifstream file(path);
        if (!file) {
            continue;
        }
        file.seekg(events.offset);
        const bool unterminated = readDescription().unterminated;
        for (std::string line; std::getline(file, line);) {
            if (file.eof()) {
                break;  // a line still being written
            }
            events.offset = file.tellg();
            if (line.empty() || line[0] == '#') {
                continue;
            }
            SL_EVENT_DETAIL_T e = eventOf(line, unterminated);
            SL_AEN_CALLBACK callback = nullptr;
            {
                std::lock_guard<std::mutex> lock(events.mutex);
                if (events.stop) {
                    return;
                }
                callback = events.callback;
            }
            if (callback != nullptr) {
                callback(&e);
            }
        }
    }
}

std::streamoff eventsFileSize() {
    std::ifstream file(rootPath("/var/lib/sim-storelib/events"), std::ios::ate);
    return file ? static_cast<std::streamoff>(file.tellg()) : 0;
}

int registerEvents(const Description& d, SL_LIB_CMD_PARAM_T* command) {
    if (command->pData == nullptr || command->dataSize < sizeof(SL_REG_AEN_INPUT_T)) {
        return SL_ERR_INVALID_EVENT_MASK;
    }
    auto* input = static_cast<SL_REG_AEN_INPUT_T*>(command->pData);
    if (input->count == 0 || input->callback == nullptr) {
        return SL_ERR_INVALID_EVENT_MASK;
    }
    (void)d;
    events.halt();
    std::lock_guard<std::mutex> lock(events.mutex);
    events.stop = false;
    events.callback = input->callback;
    events.uniqueId = 0x5EED0001;
    events.offset = eventsFileSize();
    put32(input->output + SL_REG_AEN_OUTPUT_UNIQUE_ID, events.uniqueId);
    events.thread = std::thread(eventLoop);
    return SL_SUCCESS;
}

const Drive* findDrive(const Description& d, uint32_t ctrl, uint16_t device) {
    for (const Drive& pd : d.drives) {
        if (pd.ctrl == ctrl && pd.device == device) {
            return &pd;
        }
    }
    return nullptr;
}

int controllerCommand(const Description& d, SL_LIB_CMD_PARAM_T* c) {
    if (c->ctrlId >= d.controllers.size()) {
        return SL_ERR_INVALID_CTRL;
    }
    auto* out = static_cast<uint8_t*>(c->pData);
    if (out == nullptr) {
        return SL_ERR_FAILED;
    }
    std::memset(out, 0, c->dataSize);
    if (c->cmd == SL_GET_CTRL_INFO) {
        if (c->dataSize < MR_CTRL_INFO_SIZE) {
            return SL_ERR_FAILED;
        }
        const Controller& ctl = d.controllers[c->ctrlId];
        put16(out + MR_CTRL_INFO_VENDOR_ID, static_cast<uint16_t>(ctl.chipset & 0xFFFF));
        put16(out + MR_CTRL_INFO_DEVICE_ID, static_cast<uint16_t>(ctl.chipset >> 16));
        put16(out + MR_CTRL_INFO_SUB_VENDOR_ID, static_cast<uint16_t>(ctl.board & 0xFFFF));
        put16(out + MR_CTRL_INFO_SUB_DEVICE_ID, static_cast<uint16_t>(ctl.board >> 16));
        put16(out + MR_CTRL_INFO_PCI_DOMAIN, static_cast<uint16_t>(ctl.domain));
        out[MR_CTRL_INFO_PCI_BUS] = static_cast<uint8_t>(ctl.bus);
        out[MR_CTRL_INFO_PCI_DEVICE] = static_cast<uint8_t>(ctl.device);
        out[MR_CTRL_INFO_PCI_FUNCTION] = static_cast<uint8_t>(ctl.function);
        putText(out + MR_CTRL_INFO_PRODUCT_NAME, MR_CTRL_INFO_PRODUCT_NAME_LEN, ctl.product,
                d.unterminated);
        putText(out + MR_CTRL_INFO_PACKAGE_VERSION, MR_CTRL_INFO_PACKAGE_VERSION_LEN, ctl.firmware,
                d.unterminated);
        return SL_SUCCESS;
    }
    if (c->cmd == SL_GET_PD_LIST) {
        uint32_t count = 0;
        size_t room = c->dataSize > MR_PD_LIST_HEADER
                          ? (c->dataSize - MR_PD_LIST_HEADER) / MR_PD_ADDRESS_SIZE
                          : 0;
        for (const Drive& pd : d.drives) {
            if (pd.ctrl != c->ctrlId || count >= room) {
                continue;
            }
            uint8_t* entry = out + MR_PD_LIST_HEADER + count * MR_PD_ADDRESS_SIZE;
            put16(entry + MR_PD_ADDRESS_DEVICE_ID, pd.device);
            put16(entry + MR_PD_ADDRESS_ENCLOSURE, pd.enclosure);
            entry[MR_PD_ADDRESS_SLOT] = pd.slot;
            ++count;
        }
        put32(out + MR_PD_LIST_COUNT,
              d.claimedDrives >= 0 ? static_cast<uint32_t>(d.claimedDrives) : count);
        return SL_SUCCESS;
    }
    if (c->cmd == SL_GET_LD_LIST) {
        uint32_t count = 0;
        for (const Volume& ld : d.volumes) {
            if (ld.ctrl == c->ctrlId && MR_LD_LIST_TARGETS + count < c->dataSize) {
                out[MR_LD_LIST_TARGETS + count++] = ld.target;
            }
        }
        put32(out + MR_LD_LIST_COUNT,
              d.claimedVolumes >= 0 ? static_cast<uint32_t>(d.claimedVolumes) : count);
        return SL_SUCCESS;
    }
    if (c->cmd == SL_GET_ENCL_LIST) {
        put32(out + MR_ENCL_LIST_COUNT, 1);
        return SL_SUCCESS;
    }
    return SL_ERR_FAILED;
}

int driveInfo(const Description& d, SL_LIB_CMD_PARAM_T* c) {
    const Drive* pd = findDrive(d, c->ctrlId, c->deviceId);
    auto* out = static_cast<uint8_t*>(c->pData);
    if (pd == nullptr || out == nullptr || c->dataSize < MR_PD_INFO_SIZE) {
        return SL_ERR_FAILED;
    }
    std::memset(out, 0, c->dataSize);
    put16(out + MR_PD_INFO_DEVICE_ID, pd->device);
    put16(out + MR_PD_INFO_ENCLOSURE, pd->enclosure);
    out[MR_PD_INFO_SLOT] = pd->slot;
    put16(out + MR_PD_INFO_FW_STATE, pd->state);
    out[MR_PD_INFO_INTERFACE] = pd->interfaceType;
    out[MR_PD_INFO_MEDIA] = pd->ssd ? 1 : 0;
    put64(out + MR_PD_INFO_RAW_BLOCKS, pd->blocks);
    uint8_t* inquiry = out + MR_PD_INFO_INQUIRY;
    std::memset(inquiry + 8, ' ', 48);
    std::memcpy(inquiry + 8, pd->vendor.data(), pd->vendor.size() < 8 ? pd->vendor.size() : 8);
    std::memcpy(inquiry + 16, pd->product.data(),
                pd->product.size() < 16 ? pd->product.size() : 16);
    std::memcpy(inquiry + 32, pd->revision.data(),
                pd->revision.size() < 4 ? pd->revision.size() : 4);
    std::memcpy(inquiry + 36, pd->serial.data(), pd->serial.size() < 20 ? pd->serial.size() : 20);
    return SL_SUCCESS;
}

int volumeInfo(const Description& d, SL_LIB_CMD_PARAM_T* c) {
    auto* out = static_cast<uint8_t*>(c->pData);
    if (out == nullptr || c->dataSize < MR_LD_INFO_SIZE) {
        return SL_ERR_FAILED;
    }
    for (const Volume& ld : d.volumes) {
        if (ld.ctrl != c->ctrlId || ld.target != (c->deviceId & 0xFF)) {
            continue;
        }
        std::memset(out, 0, c->dataSize);
        out[MR_LD_INFO_TARGET_ID] = ld.target;
        out[MR_LD_INFO_PRIMARY_RAID] = ld.raid;
        out[MR_LD_INFO_SPAN_DEPTH] = ld.span;
        out[MR_LD_INFO_STATE] = ld.state;
        // An unterminated description also claims more members than the record holds.
        out[MR_LD_INFO_MEMBER_COUNT] =
            d.unterminated ? 0xFF : static_cast<uint8_t>(ld.members.size());
        put64(out + MR_LD_INFO_BLOCKS, ld.blocks);
        putText(out + MR_LD_INFO_NAME, MR_LD_INFO_NAME_LEN, ld.name, d.unterminated);
        for (size_t i = 0; i < ld.members.size() && i < MR_LD_INFO_MAX_MEMBERS; ++i) {
            put16(out + MR_LD_INFO_MEMBERS + 2 * i, ld.members[i]);
        }
        return SL_SUCCESS;
    }
    return SL_ERR_FAILED;
}

int passThrough(const Description& d, SL_LIB_CMD_PARAM_T* c) {
    if (c->ctrlId >= d.controllers.size() || c->pData == nullptr) {
        return SL_ERR_INVALID_CTRL;
    }
    if (c->cmd == SL_DCMD_PASSTHRU && c->dataSize >= sizeof(SL_DCMD_INPUT_T)) {
        auto* frame = static_cast<SL_DCMD_INPUT_T*>(c->pData);
        auto* data = static_cast<uint8_t*>(frame->pData);
        if (data == nullptr) {
            return SL_ERR_FAILED;
        }
        std::memset(data, 0, frame->dataTransferLength);
        if (frame->opcode == MR_DCMD_CTRL_SAFE_ID_GET) {
            return SL_SUCCESS;
        }
        if (frame->opcode == MR_DCMD_MFC_MFG_GET && frame->dataTransferLength >= MR_MFC_MFG_SIZE) {
            putText(data + MR_MFC_MFG_SERIAL, MR_MFC_MFG_SERIAL_LEN,
                    d.controllers[c->ctrlId].serial, d.unterminated);
            return SL_SUCCESS;
        }
        return SL_ERR_FAILED;
    }
    if (c->cmd == SL_SCSI_PASSTHRU && c->dataSize >= sizeof(SL_SCSI_PASSTHRU_T)) {
        auto* frame = static_cast<SL_SCSI_PASSTHRU_T*>(c->pData);
        const Drive* pd = findDrive(d, c->ctrlId, frame->deviceId);
        auto* data = static_cast<uint8_t*>(frame->pData);
        if (pd == nullptr || data == nullptr || frame->cdb[0] != 0x12 || frame->cdb[2] != 0x80 ||
            frame->dataLength < 4 + pd->vpdSerial.size() || pd->vpdSerial.empty()) {
            return SL_ERR_FAILED;
        }
        std::memset(data, 0, frame->dataLength);
        data[1] = 0x80;
        data[3] = static_cast<uint8_t>(pd->vpdSerial.size());
        std::memcpy(data + 4, pd->vpdSerial.data(), pd->vpdSerial.size());
        return SL_SUCCESS;
    }
    return SL_ERR_FAILED;
}

int process(SL_LIB_CMD_PARAM_T* c) {
    const Description d = readDescription();
    auto failure = d.failures.find({c->cmdType, c->cmd});
    if (failure != d.failures.end()) {
        return failure->second;
    }
    switch (c->cmdType) {
        case SL_CMD_TYPE_LIBRARY:
            switch (c->cmd) {
                case SL_INIT_LIB:
                case SL_GET_CTRL_LIST:
                    if (c->cmd == SL_INIT_LIB && d.initStatus != 0) {
                        return d.initStatus;
                    }
                    if (c->pData == nullptr || c->dataSize < sizeof(SL_CTRL_LIST_T)) {
                        return SL_ERR_FAILED;
                    }
                    fillControllerList(d, static_cast<SL_CTRL_LIST_T*>(c->pData));
                    return SL_SUCCESS;
                case SL_EXIT_LIB:
                    events.halt();
                    return SL_SUCCESS;
                case SL_REGISTER_AEN:
                    return registerEvents(d, c);
                case SL_UNREGISTER_AEN:
                    if (c->uniqueId != events.uniqueId) {
                        return SL_ERR_FAILED;
                    }
                    events.halt();
                    return SL_SUCCESS;
                default:
                    return SL_ERR_FAILED;
            }
        case SL_CMD_TYPE_CONTROLLER:
            return controllerCommand(d, c);
        case SL_CMD_TYPE_PD:
            return driveInfo(d, c);
        case SL_CMD_TYPE_LD:
            return volumeInfo(d, c);
        case SL_CMD_TYPE_PASSTHRU:
            return passThrough(d, c);
        case SL_CMD_TYPE_EVENT:
            if (c->ctrlId >= d.controllers.size() || c->pData == nullptr ||
                c->dataSize < MR_EVT_LOG_INFO_SIZE) {
                return SL_ERR_INVALID_CTRL;
            }
            std::memset(c->pData, 0, c->dataSize);
            put32(static_cast<uint8_t*>(c->pData) + MR_EVT_LOG_INFO_NEWEST, 1000);
            return SL_SUCCESS;
        default:
            return SL_ERR_FAILED;
    }
}

}  // namespace

#ifndef ORB_SIM_STORELIB_WITHOUT_ENTRY
extern "C" __attribute__((visibility("default"))) int ProcessLibCommand(
    SL_LIB_CMD_PARAM_T* command) {
    return command != nullptr ? process(command) : SL_ERR_FAILED;
}
#else
extern "C" __attribute__((visibility("default"))) int ProcessLibCmd(SL_LIB_CMD_PARAM_T* command) {
    return command != nullptr ? process(command) : SL_ERR_FAILED;
}
#endif
