# Top-level entry points. `make run` and `make test` install what is missing,
# build, and then start the program or run every test.
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja

.PHONY: all deps run test build-release build-test build-fuzz fuzz bench format clean \
	release-tree test-tree fuzz-tree test-run fuzz-run release-niced

all: build-release

deps:
	@./scripts/install-deps

# Each build only configures and builds; the set-up runs once, before it.
build-release: deps
	$(MAKE) --no-print-directory release-tree

build-test: deps
	$(MAKE) --no-print-directory test-tree

build-fuzz: deps
	$(MAKE) --no-print-directory fuzz-tree

release-tree:
	cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DZAW_TESTS=OFF
	cmake --build build/release -j $(JOBS)

run: build-release
	./build/release/bin/zaw $(ARGS)

test-tree:
	cmake -S . -B build/test $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DZAW_SANITIZE=ON
	cmake --build build/test -j $(JOBS)

# The fuzz build needs clang's libFuzzer; without clang it is skipped.
fuzz-tree:
	@if command -v clang++ >/dev/null 2>&1; then \
	    cmake -S . -B build/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZAW_FUZZ=ON && \
	    cmake --build build/fuzz -j $(JOBS); \
	else echo "clang++ not found: fuzz targets skipped"; fi

# The test build comes first, using every core. Its tests then run while the
# fuzz and release builds compile beside them, niced so that they take the
# cores the tests leave idle; the fuzz targets run, niced too, once their
# build is done. Any failure fails the whole run.
test: deps
	$(MAKE) --no-print-directory test-tree
	$(MAKE) --no-print-directory -j 3 test-run fuzz-run release-niced

test-run:
	ctest --test-dir build/test --output-on-failure -j $(JOBS)

fuzz-run:
	nice -n 10 $(MAKE) --no-print-directory fuzz-tree
	@if [ -d build/fuzz ]; then \
	    nice -n 10 ctest --test-dir build/fuzz --output-on-failure -j $(JOBS); fi

release-niced:
	nice -n 15 $(MAKE) --no-print-directory release-tree

bench: build-release
	@for b in build/release/bin/bench_*; do [ -x "$$b" ] && "$$b"; done; true

format:
	find platform core midi play style compose accomp app convert styleedit tests bench fuzz \
	    \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | xargs -r clang-format -i

clean:
	rm -rf build
