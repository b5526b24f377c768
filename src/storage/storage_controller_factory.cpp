#include "storage/storage_controller_factory.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/log.h"
#include "core/platform_path.h"
#include "core/stop_request.h"
#include "host/sysfs_directory.h"
#include "storage/controller_class_registry.h"
#include "storage/controller_sysfs.h"
#include "storage/sas_resource_manager.h"
#include "storage/scsi_host_identity.h"
#include "storage/storage_controller.h"

namespace {

const char* const kTag = "STOR_FACT";
const char* const kScsiHostFolder = "/sys/class/scsi_host/";
const char* const kScsiHostFolderItself = "/sys/class/scsi_host";
const char* const kScsiDeviceFolder = "/sys/class/scsi_device";

bool isListed(const orbStorageControllerList& list, const IorbStorageController* controller) {
    return std::any_of(list.begin(), list.end(),
                       [&](const auto& held) { return held.get() == controller; });
}

bool hasPort(IorbStorageController* controller, const std::string& port) {
    const std::vector<std::string> ports = controller->getPortVector();
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}

// Whether a folder changed since the status kept from the last look; the new status is kept.
// Negative when the folder cannot be examined.
int folderChanged(const char* folder, const char* label, struct stat& kept) {
    struct stat now {};
    const int result = lstat(orbRootPath(folder).c_str(), &now);
    if (result != 0) {
        const int error = errno;
        ORB_LOG_ERROR(kTag, "lstat(%s) completed with %d (%d).", label, result, error);
        return -1;
    }
    const bool changed =
        now.st_mtim.tv_sec != kept.st_mtim.tv_sec || now.st_mtim.tv_nsec != kept.st_mtim.tv_nsec;
    kept = now;
    return changed ? 1 : 0;
}

// Registered while the library loads, so that the storage manager finds it.
const orbControllerFactoryRegistration registered(orbStorageControllerFactory::getInstance());

}  // namespace

std::atomic<bool> orbStorageControllerFactory::firstDiscoveryPass{true};

orbStorageControllerFactory* orbStorageControllerFactory::getInstance() {
    // Created while the library loads (by the registration above), so destroyed after
    // everything that uses it.
    static orbStorageControllerFactory instance{std::string()};
    return &instance;
}

orbStorageControllerFactory::orbStorageControllerFactory(std::string name)
    : name(std::move(name)) {}

orbStorageControllerFactory::~orbStorageControllerFactory() {
    // At exit, for a host that never stopped the service; nothing is logged this late.
    releaseControllers();
}

int orbStorageControllerFactory::initialize(ISubject* subject) {
    std::lock_guard<std::mutex> lock(factoryMutex);
    if (initialized) {
        ORB_LOG_DEBUG(kTag, "Factory[%p]: Already initialized.", static_cast<void*>(this));
        return 0;
    }
    if (subject == nullptr) {
        ORB_LOG_DEBUG(kTag,
                      "Factory[%p]: No shutdown subject specified during initialization "
                      "process.",
                      static_cast<void*>(this));
    } else {
        auto observer = std::make_unique<orbSubjectShutdownObserver>("STOR_FACT", nullptr);
        const int status = subject->attach(observer.get(), ORB_ASPECT_SHUTDOWN);
        if (status != 0) {
            ORB_LOG_ERROR(kTag,
                          "Factory[%p]: Registration with shutdown subject failed "
                          "(status: %d).",
                          static_cast<void*>(this), status);
            return status;
        }
        ORB_LOG_DEBUG(kTag,
                      "Factory[%p]: Successfully registered to receive subject shutdown "
                      "notification.",
                      static_cast<void*>(this));
        shutdownObserver = std::move(observer);
        shutdownSubject = subject;
    }
    initialized = true;
    return 0;
}

bool orbStorageControllerFactory::shutdownRequested() const {
    return orbStopRequested() ||
           (shutdownObserver != nullptr && shutdownObserver->isSubjectShutdownInitiated());
}

int orbStorageControllerFactory::discoverControllers(orbStorageControllerList& found) {
    ISubject* subject = nullptr;
    {
        std::lock_guard<std::mutex> lock(factoryMutex);
        subject = shutdownSubject;
    }
    for (const _ORB_STORAGE_CONTROLLER_CLASS_METADATA& controllerClass :
         orbControllerClassRegistry::getRegistry()) {
        if (controllerClass.refreshVendorInterface != nullptr) {
            controllerClass.refreshVendorInterface(subject);
        }
    }

    std::lock_guard<std::mutex> lock(factoryMutex);
    for (const std::string& host : orbListSysfsDirectory(orbRootPath(kScsiHostFolder))) {
        if (shutdownRequested()) {
            ORB_LOG_INFO(kTag, "Controller discovery stopped: the service is shutting down.");
            break;
        }
        if (orbIsSysfsEntryName(host.c_str())) {
            discoverHost(host, found);
        }
    }
    firstDiscoveryPass.store(false);
    return static_cast<int>(found.size());
}

void orbStorageControllerFactory::discoverHost(const std::string& host,
                                               orbStorageControllerList& found) {
    // Ports are kept by their host path; readers resolve it through orbRootPath.
    const std::string port = kScsiHostFolder + host;
    const char* portText = port.c_str();
    ORB_LOG_DEBUG(kTag, "Processing %s", portText);

    uint32_t chipset = 0;
    uint32_t board = 0;
    if (!orbReadScsiHostPciIdentity(orbRootPath(port), chipset, board)) {
        ORB_LOG_DEBUG(kTag, "Unable to access PCI card information for %s.", portText);
        return;
    }
    if (SASResourceManager::getInstance()->isControllerModelSupported(chipset, board)) {
        ORB_LOG_DEBUG(kTag,
                      "Skipping controller model [0x%08x 0x%08x], since it is handled by "
                      "another factory instance.",
                      chipset, board);
        return;
    }

    const std::string link = orbRootPath(port + "/device");
    std::string target;
    int error = 0;
    const bool linked = orbReadLinkTarget(link, target, error);
    ORB_LOG_DEBUG(kTag, "Scsi Link %s -- buffer %s", link.c_str(), linked ? target.c_str() : "");
    const std::string pciLocation = linked ? orbPciLocationInLink(target) : std::string();
    if (pciLocation.empty()) {
        ORB_LOG_DEBUG(kTag, "Skipping host port [%s 0x%x 0x%x] due to absence of PCI location.",
                      portText, chipset, board);
        return;
    }

    if (IorbStorageController* known =
            FindExistingController(chipset, board, pciLocation, std::string())) {
        ORB_LOG_DEBUG(kTag, "Found port %s on controller @ %s.", portText, pciLocation.c_str());
        // A rebuild finds the ports it found before.
        if (!hasPort(known, port)) {
            known->addPort(port);
        }
        if (!isListed(found, known)) {
            found.emplace_back(known);
        }
        return;
    }

    ORB_LOG_DEBUG(kTag, "Claim processing for %s [0x%x 0x%x] @ %s", portText, chipset, board,
                  pciLocation.c_str());
    int status = 0;
    IorbStorageController* created = claimController(chipset, board, pciLocation, status);
    if (created == nullptr) {
        ORB_LOG_DEBUG(kTag,
                      "Skipping port %s [0x%X, 0x%X %s] - Claim status: [%d]; Device "
                      "object: [%p]",
                      portText, chipset, board, pciLocation.c_str(), status,
                      static_cast<void*>(created));
        return;
    }
    ORB_LOG_DEBUG(kTag, "%s [0x%X, 0x%X %s] managed by device object: [%p]", portText, chipset,
                  board, pciLocation.c_str(), static_cast<void*>(created));
    created->addPort(port);
    controllers.push_back(created);
    found.emplace_back(created);
}

IorbStorageController* orbStorageControllerFactory::claimController(uint32_t chipset,
                                                                    uint32_t board,
                                                                    const std::string& pciLocation,
                                                                    int& status) {
    const bool firstPass = firstDiscoveryPass.load();
    // A claim that says yes without an object, or no with one, is taken as no.
    auto accepted = [&status](bool claimed, IorbStorageController*& controller) {
        status = claimed ? 1 : 0;
        if (claimed && controller != nullptr) {
            return true;
        }
        if (controller != nullptr) {
            controller->releaseReference();
            controller = nullptr;
        }
        return false;
    };
    for (const _ORB_STORAGE_CONTROLLER_CLASS_METADATA& controllerClass :
         orbControllerClassRegistry::getRegistry()) {
        if (controllerClass.claimDevice == nullptr) {
            continue;
        }
        IorbStorageController* controller = nullptr;
        if (accepted(
                controllerClass.claimDevice(chipset, board, pciLocation, firstPass, &controller),
                controller)) {
            return controller;
        }
    }
    IorbStorageController* controller = nullptr;
    if (accepted(
            orbStorageController::claimDevice(chipset, board, pciLocation, firstPass, &controller),
            controller)) {
        return controller;
    }
    return nullptr;
}

IorbStorageController* orbStorageControllerFactory::FindExistingController(
    uint32_t chipset, uint32_t board, const std::string& pciLocation, const std::string& identity) {
    for (IorbStorageController* controller : controllers) {
        if (!controller->isRemovalInProgress() &&
            controller->isMatchingController(chipset, board, pciLocation, identity)) {
            return controller;
        }
    }
    return nullptr;
}

int orbStorageControllerFactory::getControllers(uint8_t familyMask,
                                                orbStorageControllerList& held) {
    std::lock_guard<std::mutex> lock(factoryMutex);
    int count = 0;
    for (IorbStorageController* controller : controllers) {
        if ((controller->getFamilyFlags() & familyMask) == 0) {
            continue;
        }
        // A controller being removed is refused by its remove lock.
        orbControllerReference<IorbStorageController> reference(controller);
        if (reference) {
            held.push_back(std::move(reference));
            ++count;
        }
    }
    return count;
}

int orbStorageControllerFactory::deleteControllers(uint8_t familyMask) {
    orbStorageControllerList removed;
    {
        std::lock_guard<std::mutex> lock(factoryMutex);
        for (auto it = controllers.begin(); it != controllers.end();) {
            if (((*it)->getFamilyFlags() & familyMask) == 0) {
                ++it;
                continue;
            }
            removed.emplace_back(*it);
            it = controllers.erase(it);
        }
    }
    // Each is held here while it reports its drives and itself gone and drops the factory's
    // reference; the last holder destroys it.
    for (const auto& controller : removed) {
        if (controller) {
            controller->processDeviceRemoval();
        }
    }
    return static_cast<int>(removed.size());
}

int orbStorageControllerFactory::shutdownFactory() {
    ORB_LOG_DEBUG(kTag, "Initiating shutdown sequence.");
    releaseControllers();
    // The controllers a later run of the service finds first were there before it started: the
    // RMC knows them already, and announcing them again would report every one as come back.
    firstDiscoveryPass.store(true);
    return 0;
}

void orbStorageControllerFactory::releaseControllers() {
    std::vector<IorbStorageController*> released;
    std::unique_ptr<orbSubjectShutdownObserver> observer;
    {
        std::lock_guard<std::mutex> lock(factoryMutex);
        released.swap(controllers);
        observer = std::move(shutdownObserver);
        shutdownSubject = nullptr;
        initialized = false;
    }
    // The service is stopping, not the hardware going: nothing is reported gone.
    for (IorbStorageController* controller : released) {
        controller->disableEvents();
        controller->releaseReference();
    }
}

int orbStorageControllerFactory::poll() {
    std::lock_guard<std::mutex> lock(factoryMutex);
    const int hosts = folderChanged(kScsiHostFolderItself, "scsi_host", scsiHostStatus);
    const int devices = folderChanged(kScsiDeviceFolder, "scsi_device", scsiDeviceStatus);
    if (hosts < 0 || devices < 0) {
        return -1;
    }
    return hosts + devices > 0 ? 1 : 0;
}

std::vector<orbSupportedControllerModel>
orbStorageControllerFactory::getSupportedControllerModels() {
    // The generic factory takes whatever no other factory claims.
    return {};
}
