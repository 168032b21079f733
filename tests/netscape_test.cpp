// The Netscape 4.x installer with an installation, its Users folder and registry key made by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "components/components.h"
#include "support.h"
#include "texts.h"

// Each case starts from a package, an installation with its Java folders, one plain profile among
// entries that are none, and the registry value, and changes one thing. A file in use holds older
// content; its prompt is answered Abort, which ends the installer. Every outcome closes its handles and
// keys and restores the working directory. Outcome: "result|message|package files landed", each where a
// browser holds it. Paths that would pass 260 characters fail named as far as they fit.
TEST(NetscapeTest, InstallsIntoJavaFoldersAndPlainProfilesAndReportsEveryOutcome)
{
    ScratchDir scratch("ns");
    const char key[] = "Software\\Netscape\\Netscape Navigator\\Main";
    const std::string root = scratch / "pkg", users = scratch / "Netscape\\Users", alice = users + "\\alice";
    const std::string java = scratch / "Netscape\\Communicator\\Program\\java", classes = java + "\\classes";
    const std::string package[] = {"jars\\sub\\b", "ocfpcsc1.dll", "opencard.properties"};  // each holds its name
    const std::string cutClasses = scratch / std::string(244 - scratch.path().size(), 'x');  // 245 characters
    const std::string cutBridge = scratch / std::string(231 - scratch.path().size(), 'y');  // only the bridge: too long
    auto installAt = [&](const std::string& dir, bool folders = true) {  // the registry value and Java folders
        for (const char* folder : {"\\Program\\java\\classes\\sub", "\\Program\\java\\bin"})
            MakeDirs(folders ? dir + folder : "");
        RegSetKeyValueA(HKEY_CURRENT_USER, key, "Install Directory", REG_SZ, dir.c_str(), (DWORD)dir.size() + 1);
    };
    auto copyError = [](int code, const std::string& file) {  // a path named as far as it fits; nothing landed
        return "1|Błąd kopiowania pliku: kod #" + std::to_string(code) + ", plik: `" + file.substr(0, 260) + "'|0";
    };
    struct Case { std::function<void()> change; std::string expected; };
    const Case cases[] = {
        {[&] { RegDeleteKeyA(HKEY_CURRENT_USER, key); }, "3|" + std::string(kMsgNetscapeNotFound) + "|0"},
        {[&] { installAt("C:\\" + std::string(260, 'n'), false); }, "3|" + std::string(kMsgNetscapeNotFound) + "|0"},
        {[&] { installAt("", false); }, "3|" + std::string(kMsgNetscapeNotFound) + "|0"},
        {[&] { RemoveTree(root + "\\ns"); }, "1|" + std::string(kMsgIncomplete) + "|0"},
        {[&] { RemoveTree(classes); }, copyError(3, classes + "\\sub")},  // the browser's folder: never made
        {[&] { RemoveTree(users); }, "1|" + std::string(kMsgNetscapeNoProfile) + "|2"},
        {[&] { MakeDirs(users + "\\" + std::string(210, 'p')); }, "3|Niepełna kopia pliku opencard.properties dla "
         "profilów użytkowników przeglądarki Netscape; kod operacji: OP1PF2|3"},  // found, not copied
        {[&] { installAt(cutClasses, false); }, copyError(3, cutClasses + "\\Program\\java\\classes")},
        {[&] { installAt(cutBridge); }, copyError(1, cutBridge + "\\Program\\java\\bin\\ocfpcsc1.dll")},
        {[&] { WriteFile(classes + "\\sub\\b", "old"); }, "2|" + std::string(kMsgUserAbort) + "|0"},
        {[&] { WriteFile(java + "\\bin\\ocfpcsc1.dll", "old"); }, "2|" + std::string(kMsgUserAbort) + "|1"},
        {[&] { WriteFile(alice + "\\.opencard.properties", "old"); }, "2|" + std::string(kMsgUserAbort) + "|2"},
        {[] {}, "0|untouched|3"},
    };
    for (const Case& c : cases) {
        RemoveTree(scratch.path());
        MakeDirs(root + "\\ns\\jars\\sub");
        for (const std::string& file : package)
            WriteFile(root + "\\ns\\" + file, file);
        // Only plain folders are profiles: one with any further attribute (hidden) is skipped.
        MakeDirs(alice);
        MakeDirs(users + "\\hidden");
        SetFileAttributesA((users + "\\hidden").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
        installAt(scratch / "Netscape\\Communicator");
        c.change();
        HeldOpen jar(classes + "\\sub\\b"), bridge(java + "\\bin\\ocfpcsc1.dll");
        HeldOpen profile(alice + "\\.opencard.properties");
        PromptResponder responder(IDABORT);
        char message[592] = "untouched";
        int handles = CountOpenHandles();
        ScopedCurrentDirectory cd(root);
        int result = InstallNetscapeComponents(message, sizeof message), landed = 0;
        for (const auto& file : Files(scratch / "Netscape"))
            landed += (int)std::count(std::begin(package), std::end(package), file.second);
        EXPECT_EQ(root, CurrentDirectory()) << c.expected;
        EXPECT_EQ(handles, CountOpenHandles()) << "a handle or key was left open: " << c.expected;
        EXPECT_EQ(c.expected, std::to_string(result) + "|" + message + "|" + std::to_string(landed));
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape");
}
