#include "platform/win32/windows_api.h"

#include <aclapi.h>

#include <utility>

#include "platform/dacl_entries.h"
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
        case Trustee::TrustedInstaller:
        case Trustee::RunningUser:
        case Trustee::Other:
            return false;  // read from folders, never given
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

// The accounts a folder's owner and entries are compared with, found once per reading.
class KnownAccounts {
  public:
    KnownAccounts() {
        const auto allocateSid =
            Advapi32<decltype(&::AllocateAndInitializeSid)>("AllocateAndInitializeSid");
        const auto openToken = Advapi32<decltype(&::OpenProcessToken)>("OpenProcessToken");
        const auto tokenInformation =
            Advapi32<decltype(&::GetTokenInformation)>("GetTokenInformation");
        const auto equalSid = Advapi32<decltype(&::EqualSid)>("EqualSid");
        const auto freeSid = Advapi32<decltype(&::FreeSid)>("FreeSid");
        if (allocateSid == nullptr || openToken == nullptr || tokenInformation == nullptr ||
            equalSid == nullptr || freeSid == nullptr) {
            return;
        }
        equalSid_ = equalSid;
        freeSid_ = freeSid;
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        const auto add = [&](Trustee trustee, BYTE count, DWORD a, DWORD b, DWORD c, DWORD d,
                             DWORD e, DWORD f) {
            PSID sid = nullptr;
            if (allocateSid(&nt, count, a, b, c, d, e, f, 0, 0, &sid)) {
                sids_.push_back({trustee, sid});
            }
        };
        add(Trustee::LocalSystem, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0);
        add(Trustee::Administrators, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
            0, 0);
        add(Trustee::Users, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0);
        // NT SERVICE\TrustedInstaller, which owns the system's own files from Vista on.
        add(Trustee::TrustedInstaller, 6, SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649,
            1831038044, 1853292631, 2271478464);
        HANDLE token = nullptr;
        if (openToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
            DWORD size = 0;
            tokenInformation(token, TokenUser, nullptr, 0, &size);
            user_.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
            const DWORD bytes = static_cast<DWORD>(user_.size()) * DWORD{sizeof(DWORD)};
            if (size == 0 || !tokenInformation(token, TokenUser, user_.data(), bytes, &size)) {
                user_.clear();
            }
            ::CloseHandle(token);
        }
        ready_ = !user_.empty();
    }
    ~KnownAccounts() {
        for (const auto& [trustee, sid] : sids_) {
            freeSid_(sid);
        }
    }
    KnownAccounts(const KnownAccounts&) = delete;
    KnownAccounts& operator=(const KnownAccounts&) = delete;

    bool Ready() const { return ready_; }

    Trustee Of(PSID sid) const {
        const auto* user = reinterpret_cast<const TOKEN_USER*>(user_.data());
        if (equalSid_(sid, user->User.Sid)) {
            return Trustee::RunningUser;
        }
        for (const auto& [trustee, known] : sids_) {
            if (equalSid_(sid, known)) {
                return trustee;
            }
        }
        return Trustee::Other;
    }

  private:
    decltype(&::EqualSid) equalSid_ = nullptr;
    decltype(&::FreeSid) freeSid_ = nullptr;
    std::vector<std::pair<Trustee, PSID>> sids_;
    std::vector<DWORD> user_;  // TOKEN_USER, DWORD-aligned
    bool ready_ = false;
};

}  // namespace

SecurityRead SecurityOf(HANDLE handle, FileSecurity& security) {
    const auto securityInfo = Advapi32<decltype(&::GetSecurityInfo)>("GetSecurityInfo");
    // The 9x family's ADVAPI32 answers the security calls without doing anything.
    if ((::GetVersion() & 0x80000000u) != 0 || securityInfo == nullptr) {
        return SecurityRead::NoAcls;
    }
    const KnownAccounts accounts;
    if (!accounts.Ready()) {
        return SecurityRead::Failed;
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (securityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                     &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return SecurityRead::Failed;
    }
    // The DACL lies in the descriptor's own allocation: its entries are read within it.
    const auto* start = static_cast<const unsigned char*>(descriptor);
    const std::size_t allocated = ::LocalSize(descriptor);
    const auto* aclBytes = reinterpret_cast<const unsigned char*>(dacl);
    std::vector<AllowingEntry> entries;
    const bool readable =
        dacl == nullptr ||
        (aclBytes >= start && aclBytes < start + allocated &&
         ReadAllowingEntries(aclBytes, allocated - static_cast<std::size_t>(aclBytes - start),
                             entries));
    FileSecurity read;
    read.owner = owner == nullptr ? Trustee::Other : accounts.Of(owner);
    read.hasDacl = dacl != nullptr;
    // A compound entry counts for each account it names.
    for (const AllowingEntry& entry : entries) {
        for (const unsigned char* sid : entry.sids) {
            read.allowed.push_back(
                {accounts.Of(const_cast<unsigned char*>(sid)), entry.accessMask, entry.aceFlags});
        }
    }
    ::LocalFree(descriptor);
    if (!readable) {
        return SecurityRead::Failed;
    }
    security = read;
    return SecurityRead::Read;
}

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
