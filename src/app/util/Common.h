#pragma once

// The text, path and system utilities in one include.
#include "app/util/CommonPath.h"
#include "app/util/CommonSystem.h"
#include "app/util/CommonText.h"
