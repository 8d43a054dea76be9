// System object.
