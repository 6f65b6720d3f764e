# Compiles every engine header a module can see as one translation unit, in each C++ standard the engine
# compiles modules in, without RTTI and with the engine's warnings as errors.
# Run as: cmake -DCONFIG=<file written by velmora_check_engine_headers> -P CheckEngineHeaders.cmake

cmake_minimum_required(VERSION 3.25)
include("${CONFIG}")

# Globbed on every run, so a new header is checked without configuring again.
file(GLOB_RECURSE headers RELATIVE "${PUBLIC_DIR}" "${PUBLIC_DIR}/*.h")
list(SORT headers)
if(NOT headers)
	message(FATAL_ERROR "no headers under ${PUBLIC_DIR}")
endif()
set(text "// Every engine header a module can see, as one translation unit.\n")
set(windows_only)
foreach(header IN LISTS headers)
	# These refuse to compile off Windows, as the engine's do; a module includes them under PLATFORM_WINDOWS.
	if(header MATCHES "^Windows/")
		list(APPEND windows_only "${header}")
	else()
		string(APPEND text "#include \"${header}\"\n")
	endif()
endforeach()
if(windows_only)
	string(APPEND text "#include \"HAL/Platform.h\"\n#if PLATFORM_WINDOWS\n")
	foreach(header IN LISTS windows_only)
		string(APPEND text "#include \"${header}\"\n")
	endforeach()
	string(APPEND text "#endif\n")
endif()
file(MAKE_DIRECTORY "${OUT_DIR}")
set(unit "${OUT_DIR}/EngineHeaders.cpp")
file(WRITE "${unit}" "${text}")

set(define_flags)
foreach(define IN LISTS DEFINES)
	list(APPEND define_flags "-D${define}")
endforeach()
list(LENGTH headers count)

set(failed FALSE)
function(check_unit compiler standard)
	if(compiler STREQUAL "CLANGXX")
		set(warnings ${CLANG_WARNINGS})
		if(standard STREQUAL "17")
			# Clang takes these C++20 forms in C++17 silently; the engine's Windows compiler does not.
			list(APPEND warnings -Wc++20-designator -Wc++20-attribute-extensions)
		endif()
	else()
		set(warnings ${GCC_WARNINGS})
	endif()
	execute_process(
		COMMAND "${${compiler}}" -fsyntax-only -std=c++${standard} -fno-rtti ${warnings} ${define_flags} "-I${PUBLIC_DIR}" "${unit}"
		RESULT_VARIABLE result
		OUTPUT_VARIABLE output
		ERROR_VARIABLE output)
	if(result EQUAL 0)
		message("${count} headers compile as one unit of C++${standard} with ${${compiler}}")
	else()
		message("${count} headers do not compile as one unit of C++${standard} with ${${compiler}}:\n${output}")
		set(failed TRUE PARENT_SCOPE)
	endif()
endfunction()

foreach(compiler IN ITEMS CLANGXX GXX)
	if(NOT "${${compiler}}" STREQUAL "")
		foreach(standard IN ITEMS 17 20)
			check_unit(${compiler} ${standard})
		endforeach()
	endif()
endforeach()
if(failed)
	message(FATAL_ERROR "the engine's headers do not compile in every standard the engine compiles modules in")
endif()
if(NOT CLANGXX)
	message("clang++ was not found, so the headers were not compiled as the engine's clang compiles them; "
		"scripts/install-deps.sh installs it")
endif()
