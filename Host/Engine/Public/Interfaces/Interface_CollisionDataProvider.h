#pragma once

#include "Interface_CollisionDataProviderCore.h"
