#pragma once

#include <Alembic/Util/Foundation.h>
#include <Alembic/Util/Exception.h>
#include <Alembic/Util/PlainOldDataType.h>
#include <Alembic/Util/Dimensions.h>
#include <Alembic/Util/Digest.h>
