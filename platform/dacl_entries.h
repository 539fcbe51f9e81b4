// The entries of a DACL as Windows lays them out in memory, read without trusting their sizes:
// what a folder's or a file's DACL allows, and to whom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// One entry that allows: its rights, its ACE flags and the SIDs it names (a compound entry names
// a server and a client), each pointing into the ACL it was read from.
struct AllowingEntry {
    uint32_t accessMask = 0;
    uint8_t aceFlags = 0;
    std::vector<const unsigned char*> sids;
};

// Reads the entries of the ACL at acl, of which size bytes may be read. Entries that deny, audit
// or label grant nothing and are passed over. False when the ACL, an entry or a SID does not lie
// whole within its bounds (the bytes given, the ACL's size, the entry's size), or an entry is of
// a type not known to grant nothing.
bool ReadAllowingEntries(const unsigned char* acl, std::size_t size,
                         std::vector<AllowingEntry>& entries);

}  // namespace platform
