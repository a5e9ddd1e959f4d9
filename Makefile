# Two entry points for a newcomer: `make run` and `make test`.
BUILD ?= build
SAN_BUILD ?= build-san
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: setup build run test test-san bench clean

setup:
	./scripts/setup

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./scripts/run-demo $(BUILD)

# Every test twice: the normal build, then a clang build with address and undefined-behaviour
# sanitizers that also runs the fuzz targets for a bounded time.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-san

$(SAN_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DGEOMERCE_SANITIZE=ON -DGEOMERCE_FUZZ=ON -DGEOMERCE_BENCH=OFF $(CMAKE_FLAGS)

test-san: setup $(SAN_BUILD)/build.ninja
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

bench: build
	./scripts/run-bench $(BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
