#pragma once

#include "CoreMinimal.h"
#include "Editor/EditorEngine.h"

// The editor's global engine object; it exists whenever the editor's menus are shown.
extern UEditorEngine* GEditor;
