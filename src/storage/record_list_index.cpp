#include "storage/record_list_index.h"

#include "core/log.h"

bool orbIsRecordListIndexValid(size_t index, size_t size, const char* operation) {
    if (index < size) {
        return true;
    }
    ORB_LOG_ERROR("STOR_REC", "%s: index %zu is out of range (list size %zu); ignored.", operation,
                  index, size);
    return false;
}
