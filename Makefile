# make run   - install what is missing, build, start the program
# make test  - install what is missing, build, run every test (also under ASan/UBSan) and fuzz
# make fuzz  - build the file and chunk readers' fuzz targets with clang and run each for a while
# make test-tsan - the thread stress test under ThreadSanitizer
# make install / install-user / uninstall / uninstall-user / package - see README.md
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
TSAN_DIR ?= build-tsan
STRESS_SECONDS ?= 60
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 30
WERROR ?= OFF
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-quick test-sanitize test-tsan fuzz bench clean install \
	install-user uninstall uninstall-user package

all: build

deps:
	./scripts/install-deps

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake -S . -B $(BUILD_DIR) -DQUELVAR_WERROR=$(WERROR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/quelvar-standalone ]; then \
		$(BUILD_DIR)/quelvar-standalone; \
	else \
		echo "$(BUILD_DIR)/quelvar-standalone was not built: it needs Qt (QUELVAR_WITH_QT=ON)."; \
		exit 1; \
	fi

test-quick: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DQUELVAR_SANITIZE=ON \
		-DQUELVAR_WITH_QT=OFF -DQUELVAR_BUILD_BENCH=OFF -DQUELVAR_WERROR=$(WERROR)
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

# libFuzzer with ASan and UBSan; clang only builds the core library and the fuzz targets here,
# so its warnings are not made errors (the GCC builds are the warnings gate).
fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DQUELVAR_FUZZ=ON -DQUELVAR_WITH_QT=OFF \
		-DQUELVAR_BUILD_BENCH=OFF -DQUELVAR_WERROR=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target quelvar_fuzzers
	tests/fuzz/runFuzzers.sh $(FUZZ_DIR)/tests/fuzz $(FUZZ_SECONDS)

TSAN_FLAGS = -fsanitize=thread -fno-omit-frame-pointer
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELVAR_WITH_QT=OFF \
		-DQUELVAR_BUILD_BENCH=OFF -DQUELVAR_WERROR=$(WERROR) \
		-DCMAKE_CXX_FLAGS="$(TSAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(TSAN_FLAGS)" \
		-DCMAKE_MODULE_LINKER_FLAGS="$(TSAN_FLAGS)"
	cmake --build $(TSAN_DIR) -j $(JOBS) --target engine_tests
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" QUELVAR_STRESS_SECONDS=$(STRESS_SECONDS) \
		$(TSAN_DIR)/tests/engine_tests --gtest_filter='ThreadStress.*'

test: test-quick test-sanitize fuzz test-tsan

# System-wide: the plugins into $(PREFIX)/lib/vst, $(PREFIX)/lib/vst3, $(PREFIX)/lib/lv2 and
# $(PREFIX)/lib/clap, the programs into $(PREFIX)/bin.
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)
	-update-desktop-database $(PREFIX)/share/applications 2>/dev/null
	-update-mime-database $(PREFIX)/share/mime 2>/dev/null

# For one user, without root: the programs into ~/.local, the plugins (once each) into ~/.vst,
# ~/.vst3, ~/.lv2 and ~/.clap.
install-user: build
	./scripts/install-user $(BUILD_DIR)

# What install or install-user put in place, and nothing else.
uninstall:
	./scripts/uninstall $(BUILD_DIR) $(PREFIX)

uninstall-user:
	./scripts/uninstall $(BUILD_DIR) --user

package: build
	cd $(BUILD_DIR) && cpack

bench: build
	$(BUILD_DIR)/bench/quelvar_bench

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(TSAN_DIR)
