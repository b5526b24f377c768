#pragma once

#include <stddef.h>

// Readers of one attribute file of a sysfs-style tree, where every file holds one value.
// Paths are used as given: callers resolve their fixed paths through orbRootPath first.
// Every buffer returned is malloc'ed and belongs to the caller, who releases it with free().
// A file is read in one piece of at most kSysfsAttributeMaxBytes bytes; the rest is ignored.

#ifdef __cplusplus
extern "C" {
#endif

enum { kSysfsAttributeMaxBytes = 4096 };

// The text of the file's first line (without its line feed), or null when the file cannot
// be read or its text is empty. Trailing blanks are kept: only the line feed ends the text.
char* get_sysfs_str(const char* path);

// The raw bytes of the file and their count in *size, or null (and *size 0) when nothing can
// be read. Binary attributes (inquiry data, VPD pages) are read this way.
unsigned char* get_sysfs_buf(const char* path, size_t* size);

// Scans the file's first line with a scanf format holding exactly one conversion into *out.
// 0 when that one value was converted; -1 when the file cannot be read or its text does not
// scan, and then *out is left as it was.
int _get_sysfs_numeric(const char* path, const char* format, void* out);

// Typed readers. Failure (unreadable file, text that does not scan) gives all bits set, or -1
// for get_sysfs_int. The hexadecimal readers accept an optional "0x" prefix.
unsigned long long get_sysfs_llhex(const char* path);
unsigned long get_sysfs_lhex(const char* path);
unsigned int get_sysfs_ihex(const char* path);
unsigned short get_sysfs_shex(const char* path);
unsigned char get_sysfs_chex(const char* path);
unsigned int get_sysfs_uint(const char* path);
unsigned long long get_sysfs_ullong(const char* path);
int get_sysfs_int(const char* path);

#ifdef __cplusplus
}  // extern "C"
#endif
