// The whole foundation runtime in one include.
#pragma once

#include "shared/gen_context.h"
#include "shared/gen_dircursor.h"
#include "shared/gen_fileio.h"
#include "shared/gen_filenames.h"
#include "shared/gen_fileops.h"
#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_messages.h"
#include "shared/gen_mstring.h"
#include "shared/gen_strings.h"
