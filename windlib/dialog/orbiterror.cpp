// The toolkit's error reporter and the alerting message hook (see orbiterror.h).
#include "windlib/dialog/orbiterror.h"

#include <cstring>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/dialog/wbusycursor.h"
#include "windlib/dialog/wyesno.h"

void (*OrbitErrorMuteHook)() = nullptr;
void (*OrbitErrorUnmuteHook)() = nullptr;

namespace {

int lastLevel = -1;

// The runtime's severity words by message code, lower case and upper case.
const char* const kPrefixes[] = {nullptr, "disaster", "fatal", "error", "warning", "info", nullptr};
const char* const kUpperPrefixes[] = {
    "ERROR", "ERROR: DISASTER", "ERROR: FATAL", "ERROR", "WARNING", "INFO", nullptr};
const int kNumCodes = sizeof kPrefixes / sizeof kPrefixes[0];
static_assert(kNumCodes == 7 && sizeof kUpperPrefixes / sizeof kUpperPrefixes[0] == 7,
              "one prefix per message code 0-6");

} // namespace

int OrbitErrorText(int level, const char* text) {
    if (lastLevel < 0 || lastLevel == 1) lastLevel = level;
    WBusyCursorReset();
    if (text && *text) {
        if (OrbitErrorMuteHook) OrbitErrorMuteHook();
        wAlert(text, 0);
        if (OrbitErrorUnmuteHook) OrbitErrorUnmuteHook();
    }
    return level == 0 ? 1 : 0;
}

int OrbitError(int level, const char* format, ...) {
    char* text = nullptr;
    if (format && *format) {
        va_list args;
        va_start(args, format);
        text = gen_avsprintf(format, args);
        va_end(args);
    }
    int result = OrbitErrorText(level, text);
    gen_free(text);
    return result;
}

int OrbitErrorLastLevel() {
    return lastLevel;
}

void OrbitErrorForget() {
    lastLevel = -1;
}

int wAlert_domessage(int code, const char* format, va_list args) {
    if (code > GEN_MSG_WITH_ERRNO) code -= GEN_MSG_WITH_ERRNO;
    const char* prefix = nullptr;
    if (code >= 0 && code < kNumCodes) {
        prefix = gen_raruve_error_msgs ? kUpperPrefixes[code] : kPrefixes[code];
        gen_error_count[code]++;
        if (code < GEN_MSG_WARNING) gen_any_error++;
    }
    const char* message = format ? format : "";
    size_t length = strlen(message);
    const char* end = length && message[length - 1] == '\n' ? "" : "\n";
    char* layout = prefix ? gen_concat4(prefix, ": ", message, end) : gen_concat(message, end);
    char* text = gen_avsprintf(layout, args);
    wAlert(text, 0);
    gen_free(text);
    gen_free(layout);
    return code;
}
