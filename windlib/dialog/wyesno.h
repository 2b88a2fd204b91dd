// The alerts and questions every program of the toolkit asks with: wAlert (a text and an
// OK button), wYesNo (the "yesnoDlg" window) and wYesNoCancel. Each runs modally and is
// gone when it returns. Batch mode, no display and NeverEverShowADialog behave as described
// in wdialog.h. Start with wAlert.
#pragma once

#include <X11/Xlib.h>

#include "shared/gen_messages.h"

// Shows the text with an OK button (at most its first 9 lines) and returns once the user
// has answered. A null text shows "<Empty Error Message>". With dashRunFixes on the text
// is only logged; without a display it is printed on standard output.
void wAlert(const char* text, Window parent);
void wAlert(Window parent, const char* format, ...) GEN_PRINTF(2, 3);

// 1 for Yes, 0 for No; `defaultAnswer` (1 yes, 0 no) is the default button and the answer
// in batch mode. Without a display the answer is Yes. Escape, and closing the window,
// answer No.
int wYesNo(const char* question, int defaultAnswer, Window parent);
// 1 for Yes, 0 for No, -1 for Cancel (also Escape). `defaultAnswer` 1 makes Yes the
// default button, 0 No, anything else Cancel; batch mode returns it as given. A null
// title shows the question.
int wYesNoCancel(const char* question, int defaultAnswer, Window parent, const char* title);

// Removes a start-up splash window, when the program shows one; run before a question.
extern void (*wYesNoRemoveSplash)();

// The most lines an alert shows.
enum { kAlertMaxLines = 9 };
