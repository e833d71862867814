#pragma once
// The controller's resources are the wizard's (wizard/resource.h).
#include "wizard/resource.h"
