# The two commands of the README: `make test` and `make run`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: setup configure build test run clean fuzz

setup:
	@bash scripts/setup.sh

$(BUILD)/build.ninja: CMakeLists.txt | setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: setup $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	./$(BUILD)/luserio $(ARGS)

clean:
	rm -rf $(BUILD)

# The installable package (a .deb on Debian and Ubuntu) in $(BUILD)/.
.PHONY: package
package: build
	cmake --build $(BUILD) --target package

# libFuzzer targets (clang, address and undefined-behaviour sanitizers) in build-fuzz/fuzz/.
# How to run them: README.md, "Fuzzing".
FUZZ_TARGETS = fuzz_document_stream fuzz_cabinet fuzz_png_reader fuzz_bmp_reader fuzz_codec
fuzz:
	@bash scripts/setup.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DLSR_FUZZ=ON -DLSR_BUILD_TESTS=OFF -DLSR_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
