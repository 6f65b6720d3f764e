# How the engine's build tool compiles a plugin module, so the host compiles the plugin the same way: the
# module's .cpp files as one unity translation unit, without RTTI, and the engine's clang warnings as errors
# (less the ones it switches off). g++ gets the same warnings where it knows them; a clang check compiles the
# module as the engine's clang would.

set(VELMORA_ENGINE_CLANG_WARNINGS
	-Wall -Werror -Wshadow -Wundef
	-Wno-gnu-string-literal-operator-template -Wno-inconsistent-missing-override -Wno-invalid-offsetof -Wno-switch
	-Wno-tautological-compare -Wno-unknown-pragmas -Wno-unused-function -Wno-unused-lambda-capture
	-Wno-unused-local-typedef -Wno-unused-private-field -Wno-unused-variable -Wno-undefined-var-template)
# The same for g++: the warnings it lacks (the string literal operator template, inconsistent override,
# unused lambda capture, unused private field, undefined variable template) are not in its -Wall either.
set(VELMORA_ENGINE_GCC_WARNINGS
	-Wall -Werror -Wshadow -Wundef
	-Wno-invalid-offsetof -Wno-switch -Wno-tautological-compare -Wno-unknown-pragmas -Wno-unused-function
	-Wno-unused-local-typedefs -Wno-unused-variable)

find_program(VELMORA_CLANGXX NAMES clang++ clang++-19 clang++-18 clang++-17 clang++-16 clang++-15 clang++-14
	DOC "clang++ for the check that compiles plugin modules as the engine's clang does")

# The C++ standard the engine compiles a module in, from its Build.cs: what CppStandard asks for, else
# C++17, as the engine compiles modules in projects whose build settings predate V4.
function(velmora_engine_cpp_standard build_cs out_var)
	file(READ "${build_cs}" rules)
	# Comments say what they like; only the code counts.
	string(REGEX REPLACE "//[^\n]*" "" rules "${rules}")
	set(standard 17)
	if(rules MATCHES "CppStandard[ \t]*=[ \t]*CppStandardVersion\.(Cpp17|Cpp20|Latest)")
		if(CMAKE_MATCH_1 STREQUAL "Cpp17")
			set(standard 17)
		else()
			set(standard 20)
		endif()
	endif()
	set(${out_var} ${standard} PARENT_SCOPE)
endfunction()

# velmora_compile_as_engine_module(<target> [BUILD_CS <file>])
# Builds <target> as one unity translation unit (its generated reflection sources included), without RTTI,
# with the engine's warnings as errors, in the C++ standard its Build.cs gives the engine (C++20 without
# one), and adds the test EngineCompile.<target>: clang compiles the module's own sources as one unit and
# its generated sources as another, as the engine's build tool does.
function(velmora_compile_as_engine_module target)
	cmake_parse_arguments(PARSE_ARGV 1 ARG "" "BUILD_CS" "")
	set(standard 20)
	if(ARG_BUILD_CS)
		velmora_engine_cpp_standard("${ARG_BUILD_CS}" standard)
		set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ARG_BUILD_CS}")
	endif()
	set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE BATCH UNITY_BUILD_BATCH_SIZE 0 CXX_STANDARD ${standard})
	if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
		set(warnings ${VELMORA_ENGINE_CLANG_WARNINGS})
	else()
		set(warnings ${VELMORA_ENGINE_GCC_WARNINGS})
	endif()
	target_compile_options(${target} PRIVATE -fno-rtti ${warnings})

	# A sanitized build compiles the same sources as the plain one: the check would repeat itself.
	if(NOT VELMORA_TESTS OR VELMORA_SANITIZE)
		return()
	endif()
	get_target_property(sources ${target} SOURCES)
	get_target_property(generated ${target} VELMORA_GENERATED_SOURCES)
	if(NOT generated)
		set(generated)
	endif()
	set(own)
	foreach(source IN LISTS sources)
		get_filename_component(source "${source}" ABSOLUTE)
		if(source MATCHES "\\.cpp$" AND NOT source IN_LIST generated)
			list(APPEND own "${source}")
		endif()
	endforeach()
	set(config "${CMAKE_CURRENT_BINARY_DIR}/EngineCompile-${target}-$<CONFIG>.cmake")
	file(GENERATE OUTPUT "${config}" CONTENT
"set(CLANGXX \"${VELMORA_CLANGXX}\")
set(STANDARD \"${standard}\")
set(MODULE_SOURCES \"${own}\")
set(GENERATED_SOURCES \"${generated}\")
set(INCLUDES \"$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>\")
set(DEFINES \"$<TARGET_PROPERTY:${target},COMPILE_DEFINITIONS>\")
set(WARNINGS \"${VELMORA_ENGINE_CLANG_WARNINGS}\")
set(OWN_PREFIXES \"${CMAKE_SOURCE_DIR};${CMAKE_BINARY_DIR}\")
set(IMPLICIT_INCLUDES \"${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES}\")
set(OUT_DIR \"${CMAKE_CURRENT_BINARY_DIR}/EngineCompile-${target}\")
")
	add_test(NAME EngineCompile.${target}
		COMMAND ${CMAKE_COMMAND} -DCONFIG=${config} -P "${CMAKE_SOURCE_DIR}/cmake/CheckEngineCompile.cmake")
	set_tests_properties(EngineCompile.${target} PROPERTIES LABELS EngineCompile TIMEOUT 600
		SKIP_REGULAR_EXPRESSION "clang\\+\\+ was not found")
endfunction()

# velmora_check_engine_headers(<target> <public dir>)
# Adds the test EngineCompile.engine_headers: every header under <public dir> (the engine's include paths, all
# a module can see) in one unit, syntax-checked as C++17 and as C++20 with clang, and with g++ when g++ builds
# the host, with the engine's warnings as errors and <target>'s definitions. The engine's headers serve modules in
# either standard, so a C++20-only construct in a stand-in fails here rather than in a module that asks C++17.
function(velmora_check_engine_headers target public_dir)
	# The stand-in headers are the same whatever Alembic or sanitizer a build uses: the plain build checks them.
	if(NOT VELMORA_TESTS OR VELMORA_SANITIZE OR NOT VELMORA_ALEMBIC STREQUAL "ours")
		return()
	endif()
	set(gxx)
	if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
		set(gxx "${CMAKE_CXX_COMPILER}")
	endif()
	set(config "${CMAKE_CURRENT_BINARY_DIR}/EngineCompile-engine_headers-$<CONFIG>.cmake")
	file(GENERATE OUTPUT "${config}" CONTENT
"set(CLANGXX \"${VELMORA_CLANGXX}\")
set(GXX \"${gxx}\")
set(PUBLIC_DIR \"${public_dir}\")
set(DEFINES \"$<TARGET_PROPERTY:${target},INTERFACE_COMPILE_DEFINITIONS>\")
set(CLANG_WARNINGS \"${VELMORA_ENGINE_CLANG_WARNINGS}\")
set(GCC_WARNINGS \"${VELMORA_ENGINE_GCC_WARNINGS}\")
set(OUT_DIR \"${CMAKE_CURRENT_BINARY_DIR}/EngineCompile-engine_headers\")
")
	add_test(NAME EngineCompile.engine_headers
		COMMAND ${CMAKE_COMMAND} -DCONFIG=${config} -P "${CMAKE_SOURCE_DIR}/cmake/CheckEngineHeaders.cmake")
	set_tests_properties(EngineCompile.engine_headers PROPERTIES LABELS EngineCompile TIMEOUT 600
		SKIP_REGULAR_EXPRESSION "clang\\+\\+ was not found")
endfunction()
