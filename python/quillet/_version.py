__version__ = "2.0"
