# Quillmax — the two commands a newcomer needs.
#   make run    install the programs' missing packages, build the three programs it
#               runs, compress the sample deck headless
#   make test   install every missing package, build everything, run the whole suite
#   make windows       the Windows program (quillmax.exe) and its tests, cross-built
#   make windows-test  make windows, then its tests under Wine
#   make deb    build, then a Debian package in the build folder

BUILD ?= build
BUILD_WINDOWS ?= build-windows
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

RUN_TARGETS = quillmax qmx-pptx make-sample-deck

.PHONY: all deps build run test windows windows-test deb clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DQUILLMAX_BUILD_TESTS=ON > /dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run:
	@scripts/install-deps.sh --minimal
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DQUILLMAX_BUILD_TESTS=OFF > /dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)
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
# A Debian package of the programs, the manual, the desktop entry, the icon
# and the man pages: $(BUILD)/quillmax_<version>_<arch>.deb
deb: build
	@cd $(BUILD) && cpack -G DEB > /dev/null && ls quillmax_*.deb

clean:
	rm -rf $(BUILD) $(BUILD_WINDOWS)
