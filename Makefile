# Quillmax — the two commands a newcomer needs.
#   make run    install missing packages, build, compress the sample deck headless
#   make test   install missing packages, build, run the whole suite

BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps build run test clean

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

clean:
	rm -rf $(BUILD)
