#pragma once

#include <Alembic/Abc/ICompoundProperty.h>
