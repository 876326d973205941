# Quillmax — the two commands a newcomer needs.
#   make run    install missing packages, build, compress the sample deck headless
#   make test   install missing packages, build, run the whole suite
#   make windows       the Windows program (quillmax.exe) and its tests, cross-built
#   make windows-test  make windows, then its tests under Wine

BUILD ?= build
BUILD_WINDOWS ?= build-windows
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps build run test windows windows-test clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) > /dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@rm -rf $(BUILD)/run && mkdir -p $(BUILD)/run
	@$(BUILD)/samples/make-sample-deck $(BUILD)/run/sample.pptx
	$(BUILD)/quillmax --headless $(BUILD)/run/sample.pptx

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

windows:
	@scripts/install-deps.sh --windows
	@cmake -S . -B $(BUILD_WINDOWS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache) > /dev/null
	@cmake --build $(BUILD_WINDOWS) -j $(JOBS)

windows-test: windows
	@scripts/windows-test.sh $(BUILD_WINDOWS)

clean:
	rm -rf $(BUILD) $(BUILD_WINDOWS)
