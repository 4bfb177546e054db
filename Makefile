# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)
BUILD ?= build
FUZZ_SECONDS ?= 20

.PHONY: setup configure build run test bench asan fuzz clean

setup:
	@bash scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/kalvora

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	bash scripts/bench $(BUILD)

# Every layer and its tests, the windows included (offscreen). Leaks inside
# the system's own libraries are suppressed by scripts/lsan.supp, nothing else.
asan: setup
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKALVORA_SANITIZE=ON -DKALVORA_GUI=ON -DKALVORA_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=allocator_may_return_null=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

fuzz: setup
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DKALVORA_FUZZ=ON -DKALVORA_GUI=OFF -DKALVORA_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	bash scripts/fuzz build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-asan build-fuzz
