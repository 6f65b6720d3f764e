#include "alembicIO.h"

#include "CoreMinimal.h"

void LogMessage(std::string message)
{
	const FString Text = UTF8_TO_TCHAR(message.c_str());
	UE_LOG(LogTemp, Warning, TEXT("%s"), *Text);
}
