#include "platform/dacl_entries.h"

#include "platform/win_constants.h"

namespace platform {

namespace {

constexpr std::size_t kAclHeaderSize = 8;
constexpr std::size_t kAceHeaderSize = 4;
constexpr std::size_t kSidHeaderSize = 8;
constexpr unsigned kSidRevision = 1;
constexpr unsigned kMaxSubAuthorities = 15;
// Deny, audit, alarm, mandatory label, resource attribute, scoped policy, trust label and access
// filter entries, in all their forms: every type up to 0x15 that is not one that allows.
constexpr uint8_t kLastKnownAceType = 0x15;

uint16_t Word(const unsigned char* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

uint32_t Dword(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

// The SID at offset pos of an entry of aceSize bytes; pos moves past it. False when it does not
// fit or is no SID.
bool ReadSid(const unsigned char* ace, std::size_t aceSize, std::size_t& pos,
             AllowingEntry& entry) {
    if (pos + kSidHeaderSize > aceSize || ace[pos] != kSidRevision ||
        ace[pos + 1] > kMaxSubAuthorities) {
        return false;
    }
    const std::size_t length = kSidHeaderSize + std::size_t{4} * ace[pos + 1];
    if (pos + length > aceSize) {
        return false;
    }
    entry.sids.push_back(ace + pos);
    pos += length;
    return true;
}

// One entry of aceSize bytes; allows is false for one that grants nothing.
bool ReadEntry(const unsigned char* ace, std::size_t aceSize, bool& allows, AllowingEntry& entry) {
    const uint8_t type = ace[0];
    allows = type == win::kAccessAllowedAceType || type == win::kAccessAllowedCompoundAceType ||
             type == win::kAccessAllowedObjectAceType ||
             type == win::kAccessAllowedCallbackAceType ||
             type == win::kAccessAllowedCallbackObjectAceType;
    if (!allows) {
        return type <= kLastKnownAceType;
    }
    std::size_t pos = kAceHeaderSize + 4;  // past the header and the mask
    if (pos > aceSize) {
        return false;
    }
    entry.accessMask = Dword(ace + kAceHeaderSize);
    entry.aceFlags = ace[1];
    if (type == win::kAccessAllowedCompoundAceType) {
        pos += 4;  // the compound type and a reserved word
        return ReadSid(ace, aceSize, pos, entry) && ReadSid(ace, aceSize, pos, entry);
    }
    if (type == win::kAccessAllowedObjectAceType ||
        type == win::kAccessAllowedCallbackObjectAceType) {
        if (pos + 4 > aceSize) {
            return false;
        }
        const uint32_t flags = Dword(ace + pos);
        pos += 4;
        // The object's type and the type it passes on to, each a GUID, when present.
        pos += (flags & win::kAceObjectTypePresent) != 0 ? 16 : 0;
        pos += (flags & win::kAceInheritedObjectTypePresent) != 0 ? 16 : 0;
    }
    // A callback entry's condition follows its SID.
    return ReadSid(ace, aceSize, pos, entry);
}

}  // namespace

bool ReadAllowingEntries(const unsigned char* acl, std::size_t size,
                         std::vector<AllowingEntry>& entries) {
    if (acl == nullptr || size < kAclHeaderSize) {
        return false;
    }
    const std::size_t aclSize = Word(acl + 2);
    const std::size_t count = Word(acl + 4);
    if (aclSize < kAclHeaderSize || aclSize > size) {
        return false;
    }
    std::vector<AllowingEntry> read;
    std::size_t offset = kAclHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
        if (offset + kAceHeaderSize > aclSize) {
            return false;
        }
        const std::size_t aceSize = Word(acl + offset + 2);
        if (aceSize < kAceHeaderSize || offset + aceSize > aclSize) {
            return false;
        }
        AllowingEntry entry;
        bool allows = false;
        if (!ReadEntry(acl + offset, aceSize, allows, entry)) {
            return false;
        }
        if (allows) {
            read.push_back(entry);
        }
        offset += aceSize;
    }
    entries = read;
    return true;
}

}  // namespace platform
