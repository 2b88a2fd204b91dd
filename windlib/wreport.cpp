// The defaults of the report hooks (see wreport.h): plain lines on standard error.
#include "windlib/wreport.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"

namespace {

int PrintError(int level, const char* text) {
    size_t length = strlen(text);
    fprintf(stderr, "%s%s", text, length && text[length - 1] == '\n' ? "" : "\n");
    fflush(stderr);
    return level == 0 ? 1 : 0;
}

void PrintAlert(const char* text) {
    PrintError(1, text);
}

} // namespace

int (*WReportErrorHook)(int level, const char* text) = PrintError;
void (*WReportAlertHook)(const char* text) = PrintAlert;

int WReportError(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = gen_avsprintf(format, args);
    va_end(args);
    int result = WReportErrorHook(level, text ? text : "");
    gen_free(text);
    return result;
}

void WReportAlert(const char* text) {
    WReportAlertHook(text ? text : "");
}
