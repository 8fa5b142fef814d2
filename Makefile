# Two entry points: `make run` and `make test`. Both install what is missing first.
JOBS ?= $(shell nproc)
RELEASE := build/release
TESTING := build/sanitize
LIBRARY ?=

.PHONY: run test setup release bench

setup:
	@bash scripts/setup.sh

release: setup
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEEPSIFT_TESTS=OFF
	cmake --build $(RELEASE) -j $(JOBS)

run: release
	bash scripts/run.sh $(RELEASE) $(LIBRARY)

bench: release
	@for b in $(RELEASE)/bench/*-bench; do echo "== $$b"; $$b; done

test: setup
	cmake -S . -B $(TESTING) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEEPSIFT_SANITIZE=ON
	cmake --build $(TESTING) -j $(JOBS)
	cd $(TESTING) && ctest --output-on-failure -j $(JOBS) --timeout 600
