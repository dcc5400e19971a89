// Platform services shared by every backend.
