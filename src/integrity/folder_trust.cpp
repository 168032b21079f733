// The check of a folder the elevated installer is about to write into or run code from.
#include "folder_trust.h"

#include <aclapi.h>
#include <string.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../copy/path.h"

const ACCESS_MASK kContentChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                        DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;
const ACCESS_MASK kPathChangeRights = DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;

namespace {

// A SID laid out as the system lays it out, for the accounts that are trusted on every machine.
struct FixedSid {
    BYTE revision;
    BYTE subAuthorityCount;
    SID_IDENTIFIER_AUTHORITY authority;
    DWORD subAuthority[6];
};

const FixedSid kLocalSystem = {SID_REVISION, 1, {SECURITY_NT_AUTHORITY}, {SECURITY_LOCAL_SYSTEM_RID}};
const FixedSid kAdministrators = {
    SID_REVISION, 2, {SECURITY_NT_AUTHORITY}, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
const FixedSid kUsers = {SID_REVISION, 2, {SECURITY_NT_AUTHORITY}, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS}};
// NT SERVICE\TrustedInstaller, which owns the system's own folders.
const FixedSid kTrustedInstaller = {
    SID_REVISION,
    6,
    {SECURITY_NT_AUTHORITY},
    {SECURITY_SERVICE_ID_BASE_RID, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u}};

bool IsTrustedSid(PSID sid, PSID installingAccount)
{
    if (!sid || !IsValidSid(sid))
        return false;
    const FixedSid* const trusted[] = {&kLocalSystem, &kAdministrators, &kTrustedInstaller};
    for (const FixedSid* known : trusted) {
        if (EqualSid(sid, (PSID)known))
            return true;
    }
    return installingAccount && EqualSid(sid, installingAccount);
}

GENERIC_MAPPING FileMapping()
{
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    return mapping;
}

// Whether one DACL entry grants someone untrusted one of rights on the folder.
bool EntryOpensFolder(const ACE_HEADER* header, PSID installingAccount, ACCESS_MASK rights)
{
    if (header->AceFlags & INHERIT_ONLY_ACE)
        return false;  // applies to what is created inside, not to the folder itself
    switch (header->AceType) {
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        // Whether a deny entry wins depends on the order and on group membership; it is never
        // counted on, so it neither opens nor closes the folder.
        return false;
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
        // Both share the layout of ACCESS_ALLOWED_ACE up to the SID.
        const ACCESS_ALLOWED_ACE* entry = (const ACCESS_ALLOWED_ACE*)header;
        GENERIC_MAPPING mapping = FileMapping();
        ACCESS_MASK mask = entry->Mask;
        MapGenericMask(&mask, &mapping);
        return (mask & rights) && !IsTrustedSid((PSID)&entry->SidStart, installingAccount);
    }
    default:
        // A granting entry of a kind files do not use: its SID is not looked up, so it is not trusted.
        return true;
    }
}

// Whether one DACL entry is one this program writes into the folders it makes: allowing a trusted
// account, or Users to read and execute; never inherited, so never something the parent handed down.
bool EntryIsOurs(const ACE_HEADER* header, PSID installingAccount)
{
    if (header->AceFlags & INHERITED_ACE || header->AceType != ACCESS_ALLOWED_ACE_TYPE)
        return false;
    const ACCESS_ALLOWED_ACE* entry = (const ACCESS_ALLOWED_ACE*)header;
    PSID sid = (PSID)&entry->SidStart;
    if (IsTrustedSid(sid, installingAccount))
        return true;
    GENERIC_MAPPING mapping = FileMapping();
    ACCESS_MASK mask = entry->Mask;
    MapGenericMask(&mask, &mapping);
    return IsValidSid(sid) && EqualSid(sid, (PSID)&kUsers) && (mask & ~(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE)) == 0;
}

// path without its trailing backslashes, except the one of a drive root.
void TrimTrailingSlashes(char* path)
{
    int n = (int)strlen(path);
    while (n > 0 && path[n - 1] == '\\' && !(n == 3 && path[1] == ':'))
        path[--n] = '\0';
}

struct RuntimeCheck {
    PSID account;
    char* failedPath;
};

int Fail(RuntimeCheck* check, const char* path, int reason)
{
    if (check->failedPath)
        CopyText(check->failedPath, kPathBuffer, path);
    return reason;
}

int CheckOne(RuntimeCheck* check, const char* path, int mustExist)
{
    int reason = CheckFolderTrust(path, check->account, mustExist);
    return reason == kTrustOk ? kTrustOk : Fail(check, path, reason);
}

// The folders from the root down to parent, each of which someone could rename or re-link to swap the
// runtime for another.
int CheckFoldersAbove(RuntimeCheck* check, const char* parent)
{
    wchar_t wide[kPathBuffer];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, parent, -1, wide, kPathBuffer) <= 0)
        return Fail(check, parent, kTrustUnreadable);
    int failedChars = 0;
    int reason = CheckPathTrust(wide, check->account, &failedChars);
    if (reason == kTrustOk)
        return kTrustOk;
    char failed[kPathBuffer];
    wide[failedChars] = L'\0';
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, failed, kPathBuffer, nullptr, nullptr) <= 0)
        return Fail(check, parent, reason);
    return Fail(check, failed, reason);
}

// A folder that code runs from, with every folder below it.
int CheckCodeTree(RuntimeCheck* check, const char* folder)
{
    int reason = CheckOne(check, folder, 0);
    DWORD attributes = GetFileAttributesA(folder);
    if (reason != kTrustOk || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return reason;

    char pattern[kPathBuffer];
    if (!BuildPath(pattern, folder, "*"))
        return Fail(check, folder, kTrustUnreadable);
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE)
        return Fail(check, folder, kTrustUnreadable);
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || strcmp(entry.cFileName, ".") == 0 ||
            strcmp(entry.cFileName, "..") == 0)
            continue;
        char child[kPathBuffer];
        if (!BuildPath(child, folder, entry.cFileName))
            reason = Fail(check, child, kTrustUnreadable);  // a folder that cannot be named cannot be checked
        else
            reason = CheckCodeTree(check, child);  // a link fails there, before anything below it is read
    } while (reason == kTrustOk && FindNextFileA(find, &entry));
    if (reason == kTrustOk && GetLastError() != ERROR_NO_MORE_FILES)
        reason = Fail(check, folder, kTrustUnreadable);
    FindClose(find);
    return reason;
}

}  // namespace

PSID AdministratorsSid()
{
    return (PSID)&kAdministrators;
}

int ReadInstallingAccount(void* sid)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    // TOKEN_USER is followed by the SID it points to.
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + kAccountSidBytes];
    } buffer;
    DWORD size = 0;
    int read = GetTokenInformation(token, TokenUser, &buffer, sizeof buffer, &size) &&
               IsValidSid(buffer.user.User.Sid) && CopySid(kAccountSidBytes, sid, buffer.user.User.Sid);
    CloseHandle(token);
    return read;
}

namespace {

typedef bool (*EntryFails)(const ACE_HEADER* header, PSID installingAccount, ACCESS_MASK rights);

bool EntryIsNotOurs(const ACE_HEADER* header, PSID installingAccount, ACCESS_MASK)
{
    return !EntryIsOurs(header, installingAccount);
}

// The owner must be trusted (an owner may always rewrite the DACL, whatever it says today), the DACL
// present, and no entry may fail; the first that does gives `reason`.
int JudgeDescriptor(PSECURITY_DESCRIPTOR descriptor, PSID installingAccount, EntryFails fails, ACCESS_MASK rights,
                    int reason)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    if (!descriptor || !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted))
        return kTrustUnreadable;
    if (!IsTrustedSid(owner, installingAccount))
        return kTrustForeignOwner;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return kTrustUnreadable;
    if (!present || !dacl)
        return kTrustNullDacl;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(dacl, index, &entry))
            return kTrustUnreadable;
        if (fails((const ACE_HEADER*)entry, installingAccount, rights))
            return reason;
    }
    return kTrustOk;
}

}  // namespace

int JudgeFolderSecurity(PSECURITY_DESCRIPTOR descriptor, PSID installingAccount, ACCESS_MASK rights)
{
    return JudgeDescriptor(descriptor, installingAccount, EntryOpensFolder, rights, kTrustOthersMayWrite);
}

namespace {

// What GetFileAttributes said of a path, before it is opened: a missing one passes unless it must exist.
int JudgeAttributes(DWORD attributes, int mustExist)
{
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return mustExist ? kTrustMissing : kTrustOk;
        return kTrustUnreadable;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return kTrustReparsePoint;
    if (mustExist && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return kTrustMissing;
    return kTrustOk;
}

// The judgement on what was opened: the link itself, should one have appeared since the attributes were
// read, whose security is not the target's. Closes handle.
int JudgeOpened(HANDLE handle, PSID installingAccount, ACCESS_MASK rights)
{
    if (handle == INVALID_HANDLE_VALUE)
        return kTrustUnreadable;
    int reason = kTrustUnreadable;
    BY_HANDLE_FILE_INFORMATION info;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetFileInformationByHandle(handle, &info)) {
        if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            reason = kTrustReparsePoint;
        else if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS)
            reason = JudgeFolderSecurity(descriptor, installingAccount, rights);
    }
    if (descriptor)
        LocalFree(descriptor);
    CloseHandle(handle);
    return reason;
}

const DWORD kJudgeAccess = READ_CONTROL | FILE_READ_ATTRIBUTES;
const DWORD kJudgeSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD kJudgeFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

// Where the folders below a full path's root begin: after "X:\" or "\\server\share\"; 0 for any other form.
int RootChars(const wchar_t* path)
{
    if (((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z') && path[1] == L':' && path[2] == L'\\')
        return 3;
    if (path[0] != L'\\' || path[1] != L'\\' || path[2] == L'?' || path[2] == L'.')
        return 0;
    int separators = 0;
    for (int i = 2; path[i]; ++i) {
        if (path[i] == L'\\' && ++separators == 2)
            return i + 1;
        if (path[i] == L'\\' && path[i - 1] == L'\\')
            return 0;  // an empty server or share name
    }
    return 0;
}

}  // namespace

int CheckFolderTrust(const char* path, PSID installingAccount, int mustExist)
{
    DWORD attributes = GetFileAttributesA(path);
    int reason = JudgeAttributes(attributes, mustExist);
    if (reason != kTrustOk || attributes == INVALID_FILE_ATTRIBUTES)
        return reason;
    return JudgeOpened(CreateFileA(path, kJudgeAccess, kJudgeSharing, nullptr, OPEN_EXISTING, kJudgeFlags, nullptr),
                       installingAccount, kContentChangeRights);
}

int JudgeMadeByInstaller(PSECURITY_DESCRIPTOR descriptor, PSID installingAccount)
{
    return JudgeDescriptor(descriptor, installingAccount, EntryIsNotOurs, 0, kTrustNotMadeHere);
}

int CheckMadeByInstaller(HANDLE folder)
{
    union {
        SID sid;
        BYTE bytes[kAccountSidBytes];
    } account;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder, &info))
        return kTrustUnreadable;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return kTrustReparsePoint;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return kTrustMissing;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return kTrustUnreadable;
    int reason = JudgeMadeByInstaller(descriptor, ReadInstallingAccount(&account) ? (PSID)&account : nullptr);
    LocalFree(descriptor);
    return reason;
}

int CheckPathTrust(const wchar_t* folder, PSID installingAccount, int* failedChars)
{
    int length = (int)wcslen(folder);
    int root = RootChars(folder);
    if (failedChars)
        *failedChars = length;
    if (root == 0 || length >= kCheckedPathChars)
        return kTrustUnreadable;
    wchar_t prefix[kCheckedPathChars];
    // The root with its backslash, then each folder below it; doubled or trailing backslashes name none.
    for (int end = root; end <= length; ++end) {
        if (end > root && ((end < length && folder[end] != L'\\') || folder[end - 1] == L'\\'))
            continue;
        memcpy(prefix, folder, end * sizeof(wchar_t));
        prefix[end] = L'\0';
        int reason = JudgeAttributes(GetFileAttributesW(prefix), 1);
        if (reason == kTrustOk)
            reason = JudgeOpened(CreateFileW(prefix, kJudgeAccess, kJudgeSharing, nullptr, OPEN_EXISTING, kJudgeFlags,
                                             nullptr),
                                 installingAccount, kPathChangeRights);
        if (reason != kTrustOk) {
            if (failedChars)
                *failedChars = end;
            return reason;
        }
    }
    return kTrustOk;
}

int CheckRuntimeTrust(const char* home, int isJdk, char* failedPath, RuntimeTrustCache* cache)
{
    if (failedPath)
        failedPath[0] = '\0';
    union {
        SID sid;
        BYTE bytes[kAccountSidBytes];
    } account;
    RuntimeCheck check = {ReadInstallingAccount(&account) ? (PSID)&account : nullptr, failedPath};

    char folder[kPathBuffer];
    if (!CopyText(folder, kPathBuffer, home))
        return Fail(&check, home, kTrustMissing);
    TrimTrailingSlashes(folder);
    char* lastSlash = strrchr(folder, '\\');
    if (!lastSlash || lastSlash == folder || (lastSlash[1] == '\0'))
        return Fail(&check, folder, kTrustMissing);  // no parent: a drive root or no full path at all
    // Whoever may rename or replace the home in its parent decides what the home holds.
    char parent[kPathBuffer];
    CopyText(parent, (int)(lastSlash - folder) + 1, folder);
    if (parent[1] == ':' && parent[2] == '\0')
        AppendText(parent, kPathBuffer, "\\");
    int known = cache && lstrcmpiA(cache->soundParent, parent) == 0;
    int reason = known ? kTrustOk : CheckFoldersAbove(&check, parent);
    if (cache && reason == kTrustOk && !known)
        CopyText(cache->soundParent, kPathBuffer, parent);
    if (reason == kTrustOk)
        reason = CheckOne(&check, parent, 1);
    if (reason == kTrustOk)
        reason = CheckOne(&check, folder, 1);

    const char* const kJreCode[] = {"bin"};
    const char* const kJdkCode[] = {"bin", "jre\\bin"};
    const char* const kJreData[] = {"lib", "lib\\ext", "lib\\security"};
    const char* const kJdkData[] = {"jre", "jre\\lib", "jre\\lib\\ext", "jre\\lib\\security"};
    const char* const* code = isJdk ? kJdkCode : kJreCode;
    const char* const* data = isJdk ? kJdkData : kJreData;
    int codeCount = isJdk ? 2 : 1;
    int dataCount = isJdk ? 4 : 3;
    char path[kPathBuffer];
    for (int i = 0; reason == kTrustOk && i < codeCount; ++i)
        reason = BuildPath(path, folder, code[i]) ? CheckCodeTree(&check, path) : Fail(&check, path, kTrustUnreadable);
    for (int i = 0; reason == kTrustOk && i < dataCount; ++i)
        reason = BuildPath(path, folder, data[i]) ? CheckOne(&check, path, 0) : Fail(&check, path, kTrustUnreadable);
    return reason;
}

const char* FolderTrustReasonText(int reason)
{
    switch (reason) {
    case kTrustOk:
        return "";
    case kTrustMissing:
        return kTrustReasonMissing;
    case kTrustReparsePoint:
        return kTrustReasonReparsePoint;
    case kTrustForeignOwner:
        return kTrustReasonForeignOwner;
    case kTrustNullDacl:
        return kTrustReasonNullDacl;
    case kTrustOthersMayWrite:
        return kTrustReasonOthersMayWrite;
    case kTrustNotMadeHere:
        return kTrustReasonNotMadeHere;
    default:
        return kTrustReasonUnreadable;
    }
}
