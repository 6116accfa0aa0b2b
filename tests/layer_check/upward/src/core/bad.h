#pragma once
#include "database/records.h"
