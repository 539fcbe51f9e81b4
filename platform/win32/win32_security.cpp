#include "platform/win32/windows_api.h"

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

// The security calls are looked up in the loaded ADVAPI32 rather than imported: the 9x family's
// ADVAPI32 lacks some of them, and the program must still start there (where it never asks).
template <typename Function>
Function Advapi32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(LoadedSystemFunction("advapi32.dll", name)));
}

bool RelativeIdsOf(Trustee trustee, BYTE& count, DWORD& first, DWORD& second) {
    switch (trustee) {
        case Trustee::LocalSystem:
            count = 1;
            first = SECURITY_LOCAL_SYSTEM_RID;
            second = 0;
            return true;
        case Trustee::Administrators:
        case Trustee::Users:
            count = 2;
            first = SECURITY_BUILTIN_DOMAIN_RID;
            second = trustee == Trustee::Administrators ? DOMAIN_ALIAS_RID_ADMINS
                                                        : DOMAIN_ALIAS_RID_USERS;
            return true;
    }
    return false;
}

}  // namespace

FARPROC LoadedSystemFunction(const char* module, const char* name) {
    HMODULE loaded = ::GetModuleHandleA(module);
    return loaded == nullptr ? nullptr : ::GetProcAddress(loaded, name);
}

SecurityAttributes::SecurityAttributes(const SecurityDescriptor& descriptor) {
    const auto allocateSid =
        Advapi32<decltype(&::AllocateAndInitializeSid)>("AllocateAndInitializeSid");
    const auto lengthOfSid = Advapi32<decltype(&::GetLengthSid)>("GetLengthSid");
    const auto initializeAcl = Advapi32<decltype(&::InitializeAcl)>("InitializeAcl");
    const auto addAllowed = Advapi32<decltype(&::AddAccessAllowedAce)>("AddAccessAllowedAce");
    const auto getAce = Advapi32<decltype(&::GetAce)>("GetAce");
    const auto initializeDescriptor =
        Advapi32<decltype(&::InitializeSecurityDescriptor)>("InitializeSecurityDescriptor");
    const auto setDacl =
        Advapi32<decltype(&::SetSecurityDescriptorDacl)>("SetSecurityDescriptorDacl");
    // Windows 2000 and later; NT 4 passes no entries down to protect a DACL from.
    const auto setControl =
        Advapi32<decltype(&::SetSecurityDescriptorControl)>("SetSecurityDescriptorControl");
    if (allocateSid == nullptr || lengthOfSid == nullptr || initializeAcl == nullptr ||
        addAllowed == nullptr || getAce == nullptr || initializeDescriptor == nullptr ||
        setDacl == nullptr) {
        return;
    }

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    DWORD aclSize = sizeof(ACL);
    for (const AccessAllowed& entry : descriptor.allowed) {
        BYTE count = 0;
        DWORD first = 0;
        DWORD second = 0;
        PSID sid = nullptr;
        if (!RelativeIdsOf(entry.trustee, count, first, second) ||
            !allocateSid(&ntAuthority, count, first, second, 0, 0, 0, 0, 0, 0, &sid)) {
            return;
        }
        sids_.push_back(sid);
        aclSize += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + lengthOfSid(sid);
    }
    acl_.assign((aclSize + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto* acl = reinterpret_cast<PACL>(acl_.data());
    if (!initializeAcl(acl, aclSize, ACL_REVISION)) {
        return;
    }
    for (DWORD i = 0; i < sids_.size(); ++i) {
        void* ace = nullptr;
        if (!addAllowed(acl, ACL_REVISION, descriptor.allowed[i].accessMask, sids_[i]) ||
            !getAce(acl, i, &ace)) {
            return;
        }
        // AddAccessAllowedAce sets no flags; the inheritance flags are set on the entry itself.
        static_cast<ACE_HEADER*>(ace)->AceFlags = descriptor.allowed[i].aceFlags;
    }
    if (!initializeDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !setDacl(&descriptor_, TRUE, acl, FALSE)) {
        return;
    }
    if (descriptor.protectedDacl && setControl != nullptr &&
        !setControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return;
    }
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    built_ = true;
}

SecurityAttributes::~SecurityAttributes() {
    const auto freeSid = Advapi32<decltype(&::FreeSid)>("FreeSid");
    for (PSID sid : sids_) {
        if (freeSid != nullptr) {
            freeSid(sid);
        }
    }
}

}  // namespace platform::win32
