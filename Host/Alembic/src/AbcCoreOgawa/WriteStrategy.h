#pragma once

// Host-only: how the writer stores large new samples, for the benchmark that compares the two.
// By default a sample is hashed first and written once, key then payload, as the library does; no
// byte handed to the system is ever rewritten but the header. The earlier strategy wrote the payload on
// a helper thread while hashing and patched the key in afterwards; a patch into a page the system is
// already writing back waits for that write, which made it slower than it looks.

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace HostOnly
		{
			void SetHashWhileWriting(bool bEnabled);
			bool GetHashWhileWriting();
		}
	}
}
