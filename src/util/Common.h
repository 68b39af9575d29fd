#pragma once

// The text, path and system utilities in one include.
#include "util/CommonPath.h"
#include "util/CommonSystem.h"
#include "util/CommonText.h"
