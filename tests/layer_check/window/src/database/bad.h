#pragma once
#include "browser/ui/browser_models.h"
