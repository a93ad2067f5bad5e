# make run   - install what is missing, build, start the program
# make test  - install what is missing, build, run every test (also under ASan/UBSan)
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
WERROR ?= OFF
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-quick test-sanitize bench clean

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

test: test-quick test-sanitize

bench: build
	$(BUILD_DIR)/bench/quelvar_bench

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
