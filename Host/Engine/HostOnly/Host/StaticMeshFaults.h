#pragma once

// Host-only switches that make static mesh operations fail as they can in the engine, so tests reach
// the callers' failure paths. Each lasts as long as the object that sets it.
namespace Host
{
	// UStaticMesh::CreateMeshDescription returns null.
	class FScopedFailCreateMeshDescription
	{
	public:
		FScopedFailCreateMeshDescription();
		~FScopedFailCreateMeshDescription();
		FScopedFailCreateMeshDescription(const FScopedFailCreateMeshDescription&) = delete;
		FScopedFailCreateMeshDescription& operator=(const FScopedFailCreateMeshDescription&) = delete;
	};

	// UStaticMesh::CreateBodySetup makes no body setup.
	class FScopedNoBodySetup
	{
	public:
		FScopedNoBodySetup();
		~FScopedNoBodySetup();
		FScopedNoBodySetup(const FScopedNoBodySetup&) = delete;
		FScopedNoBodySetup& operator=(const FScopedNoBodySetup&) = delete;
	};
}
