// The about-box record (see wabout.h).
#include "windlib/wabout.h"

#include <cctype>

#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "xswitch/xswitch.h"

namespace {

const char kBuiltInVersion[] = "Version 5.0 Alpha";
const char kNotice1[] = "Copyright (c) the authors of this toolkit. All rights reserved.";
const char kNotice2[] = "This program is distributed under the terms of its licence.";

struct AboutInfo {
    char* program;
    char* subtitle;
    char* title;
    char* extra;
    bool setupCalled;
    char* nameAndVersion;
    const char* lines[6];
} abInfo;

char* NameAndVersion(const char* program) {
    char* name = nullptr;
    if (program && *program) {
        name = gen_copy(program);
    } else {
        name = gen_copy(gen_getprogname() ? gen_getprogname() : "");
        if (name[0]) name[0] = (char)toupper((unsigned char)name[0]);
    }
    return gen_fconcat3(name, " ", kBuiltInVersion);
}

} // namespace

void abSetup(const char* program, const char* subtitle, const char* title, const char* extra) {
    __Assert(!abInfo.setupCalled, "!abInfo.setupCalled", __FILE__, __LINE__, 0);
    abInfo.program = gen_copy(program);
    abInfo.subtitle = gen_copy(subtitle);
    abInfo.title = gen_copy(title);
    abInfo.extra = gen_copy(extra);
    abInfo.setupCalled = true;
    abInfo.nameAndVersion = NameAndVersion(program);
    int n = 0;
    abInfo.lines[n++] = abInfo.nameAndVersion;
    if (!debugFlag[kSwitchDashRunFixes]) abInfo.lines[n++] = kNotice1;
    abInfo.lines[n++] = kNotice2;
    if (abInfo.subtitle) abInfo.lines[n++] = abInfo.subtitle;
    abInfo.lines[n] = nullptr;
}

const char* abGetProgramName() {
    return abInfo.nameAndVersion ? abInfo.nameAndVersion : "this program";
}

const char* const* abGetLines() {
    abCheckSetup();
    return abInfo.lines;
}

const char* abGetTitle() {
    return abInfo.title;
}

void abCheckSetup() {
    __Assert(abInfo.setupCalled, "abInfo.setupCalled", __FILE__, __LINE__, 0);
}

void abReset() {
    gen_free(abInfo.program);
    gen_free(abInfo.subtitle);
    gen_free(abInfo.title);
    gen_free(abInfo.extra);
    gen_free(abInfo.nameAndVersion);
    abInfo = AboutInfo();
}
