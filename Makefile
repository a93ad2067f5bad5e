# make run   - install what is missing, build, start the program
# make test  - install what is missing, build, run every test (also under ASan/UBSan) and fuzz
# make fuzz  - build the file and chunk readers' fuzz targets with clang and run each for a while
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30
WERROR ?= OFF
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-quick test-sanitize fuzz bench clean

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
		echo "Built $(BUILD_DIR)/QuelvarVST.so. The standalone program is not part of this build yet."; \
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

test: test-quick test-sanitize fuzz

bench: build
	$(BUILD_DIR)/bench/quelvar_bench

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
