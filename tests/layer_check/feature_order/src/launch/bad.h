#pragma once
#include "properties/map_properties_model.h"
