#pragma once

#include <assimp/DefaultIOSystem.h>

#include <string>

// assimp's own files ignore failed writes (a full disk, a quota, a file-size limit), so an exporter
// reports success over a truncated file. These files remember the first failure and its reason.
namespace VelmoraCli
{
	class FCheckedFileSystem : public Assimp::DefaultIOSystem
	{
	public:
		Assimp::IOStream* Open(const char* Path, const char* Mode = "rb") override;
		void Close(Assimp::IOStream* File) override;

		bool HasFailed() const { return !Failure.empty(); }
		// "'path': reason" for the first write that failed.
		const std::string& GetFailure() const { return Failure; }

		void NoteFailure(const std::string& Path, int Error);

	private:
		std::string Failure;
	};
}
