# Top-level entry points. `make run` and `make test` install what is missing,
# build, and then start the program or run every test.
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja

.PHONY: all deps run test build-release build-test build-fuzz fuzz bench format clean

all: build-release

deps:
	@./scripts/install-deps

build-release: deps
	cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DZAW_TESTS=OFF
	cmake --build build/release -j $(JOBS)

run: build-release
	./build/release/bin/zaw $(ARGS)

build-test: deps
	cmake -S . -B build/test $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DZAW_SANITIZE=ON
	cmake --build build/test -j $(JOBS)

# The fuzz build needs clang's libFuzzer; without clang it is skipped.
build-fuzz: deps
	@if command -v clang++ >/dev/null 2>&1; then \
	    cmake -S . -B build/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZAW_FUZZ=ON && \
	    cmake --build build/fuzz -j $(JOBS); \
	else echo "clang++ not found: fuzz targets skipped"; fi

test: build-test build-fuzz build-release
	ctest --test-dir build/test --output-on-failure -j $(JOBS)
	@if [ -d build/fuzz ]; then ctest --test-dir build/fuzz --output-on-failure -j $(JOBS); fi

# Explores every fuzz target with fresh random seeds, FUZZ_SECONDS each.
FUZZ_SECONDS ?= 120
fuzz: build-fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) ./scripts/fuzz

bench: build-release
	@for b in build/release/bin/bench_*; do [ -x "$$b" ] && "$$b"; done; true

format:
	find platform core midi play style compose accomp app convert styleedit tests bench fuzz \
	    \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | xargs -r clang-format -i

clean:
	rm -rf build
