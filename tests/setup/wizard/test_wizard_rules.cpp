// The wizard's rules that need no window: the directory following the chosen host, the
// native targets offered per host, and the introduction's text.
#include <gtest/gtest.h>

#include <string>

#include "setup/components.h"
#include "setup/install_options.h"
#include "setup/wizard/setup_mainwindow.h"
#include "shared/indgen.h"

namespace {

class ToolDir : public testing::Test {
protected:
    // The directory for the host described as `hostText`, and the host it chose.
    std::string For(const char* dir, const char* hostText, int* host) {
        char* result = ToolDirForHost(dir, hostText, hosts, host);
        std::string text = result;
        gen_free(result);
        return text;
    }

    Component* hosts[5] = {new Component("hppa", "HP/UX", 0, true, false),
                           new Component("solaris2", "Solaris 2", 1, true, false),
                           new Component("linux86", "x86 Linux", 2, true, false),
                           new Component("win32", "Windows", 3, true, false),
                           new Component("unix", "Unix", 4, true, false)};
};

TEST_F(ToolDir, HostNameAtTheEndIsReplacedByTheChosenHostsName) {
    int host = 2;
    EXPECT_EQ(For("/opt/veltrane/solaris2", "x86 linux", &host), "/opt/veltrane/linux86");
    EXPECT_EQ(host, 2);
    EXPECT_EQ(For("/opt/veltrane/linux86/", "Windows", &host), "/opt/veltrane/win32");
    EXPECT_EQ(host, 3);
    // The first host name found anywhere in the text decides, and only at its end.
    EXPECT_EQ(For("/opt/hppa-kit/unix", "Solaris 2", &host), "/opt/hppa-kit/solaris2");
    EXPECT_EQ(For("/opt/unix/unix", "HP/UX", &host), "/opt/unix/unix");
    EXPECT_EQ(host, 0);
}

TEST_F(ToolDir, DirectoryWithoutHostSuffixOnlyLosesItsTrailingSlash) {
    int host = 2;
    EXPECT_EQ(For("/opt/tools/", "Solaris 2", &host), "/opt/tools");
    EXPECT_EQ(host, 1);
    EXPECT_EQ(For("", "Unix", &host), "");
    EXPECT_EQ(host, 4);
}

TEST_F(ToolDir, TypedTextNamingNoHostKeepsHostAndDirectory) {
    int host = 1;
    EXPECT_EQ(For("/opt/veltrane/solaris2/", "Plan 9", &host), "/opt/veltrane/solaris2");
    EXPECT_EQ(host, 1);
}

TEST(WizardTargets, NativeTargetsOnlyWithTheirOwnHostAndAllTargetsNever) {
    const int nativeHost[] = {0, 1, 3, 2}; // targets 11 to 14
    for (int host = 0; host < 5; host++) {
        for (int target = 0; target < 11; target++) EXPECT_TRUE(TargetShownForHost(target, host));
        for (int target = 11; target <= 14; target++)
            EXPECT_EQ(TargetShownForHost(target, host), nativeHost[target - 11] == host)
                << target << " " << host;
        for (int target = 15; target < 20; target++) EXPECT_TRUE(TargetShownForHost(target, host));
        EXPECT_FALSE(TargetShownForHost(20, host));
    }
}

TEST(WizardIntroduction, VersionLineAndAnEmptyLineComeBeforeTheWelcome) {
    char* text = IntroductionText("Veltrane 4.2");
    EXPECT_EQ(std::string(text), std::string("Veltrane 4.2\n\n") + kWelcomeText);
    gen_free(text);
    text = IntroductionText("");
    EXPECT_EQ(std::string(text), kWelcomeText);
    gen_free(text);
}

} // namespace
