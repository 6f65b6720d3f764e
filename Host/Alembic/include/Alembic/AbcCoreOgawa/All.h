#pragma once

#include <Alembic/AbcCoreOgawa/ReadWrite.h>
