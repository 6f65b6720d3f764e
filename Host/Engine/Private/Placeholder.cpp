// Engine stand-in sources.
