# Compiles a plugin module as the engine's build tool does with clang: its own sources concatenated into one
# translation unit and its generated reflection sources into another, each syntax-checked in the standard
# its Build.cs gives the engine, without RTTI, with the engine's warnings as errors, against the host's
# headers.
# Run as: cmake -DCONFIG=<file written by velmora_compile_as_engine_module> -P CheckEngineCompile.cmake

cmake_minimum_required(VERSION 3.25)
include("${CONFIG}")

if(NOT CLANGXX)
	message("clang++ was not found, so the module was not compiled as the engine's clang compiles it; "
		"scripts/install-deps.sh installs it")
	return()
endif()

# The host's and the plugin's headers are the module's own; third-party headers are system headers, as the
# engine's THIRD_PARTY_INCLUDES_START treats them.
set(include_flags)
list(REMOVE_DUPLICATES INCLUDES)
foreach(dir IN LISTS INCLUDES)
	if(dir IN_LIST IMPLICIT_INCLUDES)
		# The compiler's own search path; naming it again would reorder it.
		continue()
	endif()
	set(own FALSE)
	foreach(prefix IN LISTS OWN_PREFIXES)
		string(FIND "${dir}" "${prefix}" at)
		if(at EQUAL 0)
			set(own TRUE)
		endif()
	endforeach()
	if(own)
		list(APPEND include_flags "-I${dir}")
	else()
		list(APPEND include_flags "-isystem" "${dir}")
	endif()
endforeach()
set(define_flags)
foreach(define IN LISTS DEFINES)
	list(APPEND define_flags "-D${define}")
endforeach()

file(MAKE_DIRECTORY "${OUT_DIR}")
set(failed FALSE)
foreach(unit IN ITEMS Module Generated)
	if(unit STREQUAL "Module")
		set(sources ${MODULE_SOURCES})
	else()
		set(sources ${GENERATED_SOURCES})
	endif()
	if(NOT sources)
		continue()
	endif()
	set(text "// ${unit} sources as one translation unit, as the engine's unity build joins them.\n")
	foreach(source IN LISTS sources)
		string(APPEND text "#include \"${source}\"\n")
	endforeach()
	set(unity "${OUT_DIR}/${unit}.cpp")
	file(WRITE "${unity}" "${text}")
	execute_process(
		COMMAND "${CLANGXX}" -fsyntax-only -std=c++${STANDARD} -fno-rtti ${WARNINGS} ${define_flags} ${include_flags} "${unity}"
		RESULT_VARIABLE result
		OUTPUT_VARIABLE output
		ERROR_VARIABLE output)
	list(LENGTH sources count)
	if(result EQUAL 0)
		message("${unit}: ${count} sources compile as one unit of C++${STANDARD} with ${CLANGXX}")
	else()
		message("${unit}: ${count} sources do not compile as one unit of C++${STANDARD} with ${CLANGXX}:\n${output}")
		set(failed TRUE)
	endif()
endforeach()
if(failed)
	message(FATAL_ERROR "the module does not compile as the engine compiles it")
endif()
