// ChooseDirectory over the toolkit's DirectoryChooser; see the header.
#include "setup/pending_entry_points.h"

#include "setup/components.h"
#include "setup/install_options.h"
#include "shared/indgen.h"
#include "windlib/dialog/dirdialog.h"

char* ChooseDirectory(const char* title, const char* root) {
    DirectoryChooser chooser(title, nullptr);
    chooser.setRoot(root ? root : "/");
    chooser.run();
    const char* chosen = chooser.getSelectedDir();
    return chosen ? gen_copy(chosen) : nullptr;
}
