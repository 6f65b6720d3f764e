# The two commands a newcomer needs: `make run` and `make test`. Each installs what is missing,
# configures and builds first.

BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
RUN_ARGS ?= demo

# The real Alembic 1.8.6 (the release the engine ships), built once from ../shared and kept here.
REAL_ALEMBIC_PREFIX ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/velmora/alembic-1.8.6
REAL_ALEMBIC_BUILD_DIR ?= build-real-alembic
REAL_ALEMBIC_SCRIPT := ../shared/tools/build-real-alembic.sh
REAL_ALEMBIC_ARCHIVE := ../shared/third_party/alembic-1.8.6.tar.gz
# The same release built with AddressSanitizer, for the suites that read damaged DCC files (Prepare; add
# GroomFiles for the groom reader, at the cost of building the command it runs).
REAL_ALEMBIC_ASAN_PREFIX ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/velmora/alembic-1.8.6-asan
REAL_ALEMBIC_ASAN_BUILD_DIR ?= build-real-alembic-asan
REAL_ALEMBIC_ASAN_SUITES ?= Prepare
REAL_ALEMBIC_ASAN_LABELS = ^($(subst $(SPACE),|,$(strip $(REAL_ALEMBIC_ASAN_SUITES))))$$
EMPTY :=
SPACE := $(EMPTY) $(EMPTY)
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0

.PHONY: all deps configure build run test test-asan test-real-alembic test-real-alembic-asan bench format clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

configure: $(BUILD_DIR)/build.ninja

build: deps configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Only the command the demo runs; the suite and the benchmarks are built by `make test`.
run: deps configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target velmora
	./$(BUILD_DIR)/Host/Cli/velmora $(RUN_ARGS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer, in a build directory of its own.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	$(SANITIZER_ENV) ctest --test-dir $(ASAN_BUILD_DIR) --output-on-failure -j $(JOBS)

# The whole suite, benchmarks built too, against the real Alembic instead of ours, optimised without debug
# information (the plain build has it). Without ../shared
# beside the checkout there is nothing to build it from: it says so and does nothing.
test-real-alembic: deps
	@if [ ! -x $(REAL_ALEMBIC_SCRIPT) ]; then \
		echo "test-real-alembic: skipped, no $(REAL_ALEMBIC_SCRIPT) beside the checkout to build the real Alembic with"; \
	else \
		set -e; \
		echo "real Alembic in $(REAL_ALEMBIC_PREFIX)"; \
		$(REAL_ALEMBIC_SCRIPT) "$(REAL_ALEMBIC_PREFIX)" >/dev/null; \
		cmake -S . -B $(REAL_ALEMBIC_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DVELMORA_ALEMBIC=system \
			-DCMAKE_PREFIX_PATH="$(REAL_ALEMBIC_PREFIX)" $(CMAKE_FLAGS); \
		cmake --build $(REAL_ALEMBIC_BUILD_DIR) -j $(JOBS); \
		ctest --test-dir $(REAL_ALEMBIC_BUILD_DIR) --output-on-failure -j $(JOBS); \
	fi

# The suites that read damaged files, under AddressSanitizer and UndefinedBehaviorSanitizer, against the
# real Alembic built with AddressSanitizer too (kept beside the plain one): a read past a buffer inside the
# library is caught where it happens. Only those suites are built. Without ../shared it says so and does
# nothing.
test-real-alembic-asan: deps
	@if [ ! -f $(REAL_ALEMBIC_ARCHIVE) ]; then \
		echo "test-real-alembic-asan: skipped, no $(REAL_ALEMBIC_ARCHIVE) beside the checkout to build the real Alembic from"; \
	else \
		set -e; \
		echo "real Alembic with AddressSanitizer in $(REAL_ALEMBIC_ASAN_PREFIX)"; \
		./scripts/build-real-alembic-asan.sh $(REAL_ALEMBIC_ARCHIVE) "$(REAL_ALEMBIC_ASAN_PREFIX)" >/dev/null; \
		cmake -S . -B $(REAL_ALEMBIC_ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_ALEMBIC=system -DVELMORA_SANITIZE=ON \
			-DVELMORA_BENCHMARKS=OFF -DCMAKE_PREFIX_PATH="$(REAL_ALEMBIC_ASAN_PREFIX)" $(CMAKE_FLAGS); \
		cmake --build $(REAL_ALEMBIC_ASAN_BUILD_DIR) -j $(JOBS) --target $(addprefix velmora_tests_,$(REAL_ALEMBIC_ASAN_SUITES)); \
		$(SANITIZER_ENV) ctest --test-dir $(REAL_ALEMBIC_ASAN_BUILD_DIR) --output-on-failure -j $(JOBS) \
			-L '$(REAL_ALEMBIC_ASAN_LABELS)'; \
	fi

bench: deps
	cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build-release -j $(JOBS)
	@for b in build-release/Benchmarks/*; do [ -x "$$b" ] && [ -f "$$b" ] && "$$b"; done

format:
	find Source Host Tests Benchmarks -name '*.h' -o -name '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(REAL_ALEMBIC_BUILD_DIR) $(REAL_ALEMBIC_ASAN_BUILD_DIR) build-release
