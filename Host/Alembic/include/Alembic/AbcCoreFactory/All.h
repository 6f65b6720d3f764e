#pragma once

#include <Alembic/AbcCoreFactory/IFactory.h>
