// The registry walk over the Sun Java runtimes.
#include "java_runtimes.h"

#include <windows.h>

namespace {

// A version subkey's name, then its "JavaHome": a home of 262 characters or more does not fit.
enum { kNameChars = 263, kHomeChars = 262 };

// Returns 0 when the visitor ended the walk.
int WalkKey(HKEY parent, int isJdk, RuntimeVisitor visit, void* context)
{
    char name[kNameChars];
    char home[kHomeChars];
    for (DWORD index = 0; RegEnumKeyA(parent, index, name, kNameChars) == ERROR_SUCCESS; ++index) {
        HKEY version;
        if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &version) != ERROR_SUCCESS)
            continue;
        DWORD size = kHomeChars;
        LONG read = RegQueryValueExA(version, "JavaHome", nullptr, nullptr, (BYTE*)home, &size);
        RegCloseKey(version);
        if (read != ERROR_SUCCESS)
            continue;
        // The registry does not promise a terminator; a value that fills the buffer without one is
        // too long.
        if (size >= kHomeChars && home[kHomeChars - 1] != '\0')
            continue;
        home[size < kHomeChars ? size : kHomeChars - 1] = '\0';
        if (!visit(home, isJdk, context))
            return 0;
    }
    return 1;
}

}  // namespace

int WalkRegisteredRuntimes(RuntimeVisitor visit, void* context)
{
    HKEY javaSoft;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft", 0, KEY_ALL_ACCESS, &javaSoft) != ERROR_SUCCESS)
        return 0;
    HKEY jre = nullptr;
    HKEY jdk = nullptr;
    if (RegOpenKeyExA(javaSoft, "Java Runtime Environment", 0, KEY_ALL_ACCESS, &jre) != ERROR_SUCCESS)
        jre = nullptr;
    if (RegOpenKeyExA(javaSoft, "Java Development Kit", 0, KEY_ALL_ACCESS, &jdk) != ERROR_SUCCESS)
        jdk = nullptr;
    int found = jre || jdk;
    int goOn = 1;
    if (jre) {
        goOn = WalkKey(jre, 0, visit, context);
        RegCloseKey(jre);
    }
    if (jdk) {
        if (goOn)
            WalkKey(jdk, 1, visit, context);
        RegCloseKey(jdk);
    }
    RegCloseKey(javaSoft);
    return found;
}
